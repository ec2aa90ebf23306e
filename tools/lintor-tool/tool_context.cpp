#include "tools/lintor-tool/tool_context.h"

#include <array>
#include <charconv>

#include "link/group_address.h"

namespace lintor::tool {
namespace {

constexpr std::chrono::milliseconds kConnectTimeout{5000};

}  // namespace

void ToolContext::report(const std::string& text) const {
    std::fprintf(err, "lintor-tool: %s\n", text.c_str());
    std::fflush(err);
}

void ToolContext::print(const std::string& line) const {
    std::fputs(line.c_str(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

void ToolContext::reportClosed(std::string_view peer, const Connection& connection) const {
    report("the " + std::string(peer) + " at " + connection.endpoint().text() + " closed the connection");
}

std::optional<Connection> ToolContext::connect() const {
    auto opened = Connection::open({options.host, options.portOrDefault()}, kConnectTimeout);
    if (auto* failure = std::get_if<Connection::Failure>(&opened)) {
        report(failure->message);
        return std::nullopt;
    }
    return std::move(std::get<Connection>(opened));
}

std::string secondsText(std::chrono::milliseconds duration) {
    const double value = static_cast<double>(duration.count()) / 1000.0;
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    return std::string(text.data(), result.ptr) + " s";
}

std::string Target::text() const {
    std::string text = formatGroupAddress(groupAddress);
    if (name) text += " \"" + name->name + "\"";
    return text;
}

std::optional<Target> resolveTarget(const ToolContext& context) {
    const std::string& given = context.options.arguments.at(0);
    if (context.names.entries().empty() && !parseGroupAddressStrict(given)) {
        context.report("\"" + given +
                       "\" is not a group address: give one such as 1/2/3, or --names FILE to use names");
        return std::nullopt;
    }
    const auto resolved = context.names.resolve(given);
    if (const auto* failure = std::get_if<GroupNames::Failure>(&resolved)) {
        context.report(failure->message);
        return std::nullopt;
    }
    Target target;
    target.groupAddress = std::get<uint16_t>(resolved);
    target.name = context.names.find(target.groupAddress);
    target.type = context.options.type;
    if (!target.type && target.name) target.type = target.name->type;
    return target;
}

}  // namespace lintor::tool
