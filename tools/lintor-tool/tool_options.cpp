#include "tools/lintor-tool/tool_options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <string_view>
#include <vector>

namespace lintor::tool {
namespace {

constexpr std::string_view kUsage =
    R"(usage: lintor-tool COMMAND [OPTIONS]

Watches and drives a KNX bus through a running lintord.

commands:
  monitor              one line per bus record from the gateway port
  write GA VALUE       writes VALUE to the group address GA and waits for the BCU's confirmation
  read GA              asks GA for its value and prints the first response
  watch                the group values the proxy port reports
  devices LINE         the devices that answer on LINE (1.1): mask version,
                       programming mode, serial number
  info ADDRESS         what the device at ADDRESS (1.1.5) tells of itself
  progmode             the devices in programming mode
  set-address ADDRESS  gives ADDRESS to the one device in programming mode

GA is a group address (1/2/3) or, with --names, a name from the file.

options:
  --host HOST          the gateway's host (default 127.0.0.1)
  --port N             its port (default 57627; watch: 5003)
  --names FILE         names and datapoint types of group addresses: an ETS
                       CSV export or lines of "1/2/3;Kitchen light;1.001"
  --dpt TYPE           datapoint type of GA for write and read (9.001, DPST-9-1)
  --timeout SECONDS    how long write and read wait, and the device commands
                       for each answer (default 3)
  --json               one JSON object per line
  --help, --version

exit status: 0 done, 1 failed (no connection, not confirmed), 2 bad usage or
value, 3 no response (read, devices, info, progmode), 4 set-address refused.
See lintor-tool(1) for the datapoint types.
)";

constexpr double kShortestTimeoutSeconds = 0.001;
constexpr double kLongestTimeoutSeconds = 3600;

// The options besides --host and --port that a command takes.
struct Takes {
    bool names = false;
    bool type = false;
    bool timeout = false;
    bool json = false;
};

struct CommandName {
    std::string_view name;
    Command command;
    size_t arguments;
    std::string_view argumentsText;  // what to give, when some are missing
    Takes takes;
};

constexpr std::array<CommandName, 8> kCommands{{
    {"monitor", Command::Monitor, 0, "", {.names = true, .json = true}},
    {"write", Command::Write, 2, "a group address and a value", {.names = true, .type = true, .timeout = true}},
    {"read", Command::Read, 1, "a group address", {.names = true, .type = true, .timeout = true, .json = true}},
    {"watch", Command::Watch, 0, "", {.names = true, .json = true}},
    {"devices", Command::Devices, 1, "a line, such as 1.1", {.timeout = true, .json = true}},
    {"info", Command::Info, 1, "an individual address, such as 1.1.5", {.timeout = true, .json = true}},
    {"progmode", Command::Progmode, 0, "", {.timeout = true, .json = true}},
    {"set-address", Command::SetAddress, 1, "the new individual address, such as 1.1.7", {.timeout = true}},
}};

// "write and read", or with "or": the names of the commands that pass the test.
std::string commandNames(std::string_view lastJoin, const std::function<bool(const CommandName&)>& test) {
    std::vector<std::string_view> names;
    for (const CommandName& command : kCommands) {
        if (test(command)) names.push_back(command.name);
    }
    std::string text;
    for (size_t at = 0; at < names.size(); ++at) {
        if (at > 0) text += at + 1 == names.size() ? lastJoin : ", ";
        text += names[at];
    }
    return text;
}

constexpr std::array<std::string_view, 5> kValueOptions{"--host", "--port", "--names", "--dpt", "--timeout"};

ToolMessage mistake(const std::string& text) { return {text + "\n(lintor-tool --help tells more)\n", true}; }

std::optional<uint16_t> portNumber(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value == 0 || value > UINT16_MAX) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(value);
}

std::optional<std::chrono::milliseconds> seconds(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !(value >= kShortestTimeoutSeconds) ||
        value > kLongestTimeoutSeconds) {
        return std::nullopt;
    }
    return std::chrono::milliseconds{std::lround(value * 1000)};
}

// A word that starts with "-" but is a value: "write 1/2/3 -5".
bool isNegativeNumber(std::string_view word) {
    return word.size() > 1 && word[0] == '-' && (std::isdigit(static_cast<unsigned char>(word[1])) || word[1] == '.');
}

class Parser {
public:
    explicit Parser(std::span<const char* const> words) : words_(words) {}
    std::variant<ToolOptions, ToolMessage> run();

private:
    std::optional<ToolMessage> option(std::string_view word);
    std::optional<ToolMessage> setOption(std::string_view name, std::string_view value);
    std::optional<std::string_view> valueOf(std::optional<std::string_view> inlineValue);

    std::span<const char* const> words_;
    size_t at_ = 0;
    ToolOptions options_;
    const CommandName* command_ = nullptr;
    bool timeoutGiven_ = false;
};

// Options that a command would pass over are refused, so nobody believes
// they took effect.
std::optional<ToolMessage> unusedOption(const CommandName& command, const ToolOptions& options, bool timeoutGiven) {
    struct Given {
        std::string_view option;
        bool Takes::*taken;
        bool given;
    };
    for (const Given& given : {
             Given{"--names", &Takes::names, !options.namesFile.empty()},
             Given{"--dpt", &Takes::type, options.type.has_value()},
             Given{"--timeout", &Takes::timeout, timeoutGiven},
             Given{"--json", &Takes::json, options.json},
         }) {
        if (!given.given || command.takes.*given.taken) continue;
        const std::string takers =
            commandNames(" and ", [&](const CommandName& other) { return other.takes.*given.taken; });
        return mistake("lintor-tool " + std::string(command.name) + ": " + std::string(given.option) + " is for " +
                       takers);
    }
    return std::nullopt;
}

std::variant<ToolOptions, ToolMessage> Parser::run() {
    bool optionsEnded = false;
    for (; at_ < words_.size(); ++at_) {
        const std::string_view word = words_[at_];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && word.starts_with("-") && !isNegativeNumber(word)) {
            if (auto message = option(word)) return *message;
            continue;
        }
        if (!command_) {
            const auto* found = std::ranges::find(kCommands, word, &CommandName::name);
            if (found == kCommands.end()) return mistake("lintor-tool: unknown command \"" + std::string(word) + "\"");
            options_.command = found->command;
            command_ = found;
            continue;
        }
        options_.arguments.emplace_back(word);
    }
    if (!command_) {
        return mistake("lintor-tool: no command given (" +
                       commandNames(" or ", [](const CommandName&) { return true; }) + ")");
    }
    const size_t wanted = command_->arguments;
    if (options_.arguments.size() < wanted) {
        return mistake("lintor-tool " + std::string(command_->name) + ": give " + std::string(command_->argumentsText));
    }
    if (options_.arguments.size() > wanted) {
        return mistake("lintor-tool: unexpected \"" + options_.arguments[wanted] + "\"");
    }
    if (auto message = unusedOption(*command_, options_, timeoutGiven_)) return *message;
    return options_;
}

std::optional<ToolMessage> Parser::option(std::string_view word) {
    if (word == "--help" || word == "-h") return ToolMessage{std::string(kUsage), false};
    if (word == "--version") return ToolMessage{"lintor-tool " LINTOR_VERSION "\n", false};
    if (word == "--json") {
        options_.json = true;
        return std::nullopt;
    }
    std::string_view name = word;
    std::optional<std::string_view> inlineValue;
    if (const size_t equals = word.find('='); equals != std::string_view::npos) {
        name = word.substr(0, equals);
        inlineValue = word.substr(equals + 1);
    }
    if (std::ranges::find(kValueOptions, name) == kValueOptions.end()) {
        return mistake("lintor-tool: unknown option " + std::string(name));
    }
    const auto value = valueOf(inlineValue);
    if (!value) return mistake("lintor-tool: " + std::string(name) + " needs a value");
    return setOption(name, *value);
}

std::optional<std::string_view> Parser::valueOf(std::optional<std::string_view> inlineValue) {
    if (inlineValue) return inlineValue;
    if (at_ + 1 >= words_.size()) return std::nullopt;
    return std::string_view(words_[++at_]);
}

std::optional<ToolMessage> Parser::setOption(std::string_view name, std::string_view value) {
    const std::string quoted = "\"" + std::string(value) + "\"";
    if (name == "--host") {
        if (value.empty()) return mistake("lintor-tool: --host needs a host name or address");
        options_.host = value;
    } else if (name == "--port") {
        options_.port = portNumber(value);
        if (!options_.port) return mistake("lintor-tool: --port " + quoted + " is not a port number (1 to 65535)");
    } else if (name == "--names") {
        options_.namesFile = value;
    } else if (name == "--dpt") {
        options_.type = dpt::parseDatapointType(value);
        if (!options_.type) {
            return mistake("lintor-tool: --dpt " + quoted +
                           " is not a datapoint type (such as 1.001, 9.001 or DPST-9-1)");
        }
    } else if (name == "--timeout") {
        const auto timeout = seconds(value);
        if (!timeout)
            return mistake("lintor-tool: --timeout " + quoted + " is not a number of seconds (0.001 to 3600)");
        options_.timeout = *timeout;
        timeoutGiven_ = true;
    }
    return std::nullopt;
}

}  // namespace

uint16_t ToolOptions::portOrDefault() const {
    if (port) return *port;
    return command == Command::Watch ? DEFAULT_PROXY_PORT : DEFAULT_GATEWAY_PORT;
}

std::variant<ToolOptions, ToolMessage> parseToolArguments(std::span<const char* const> arguments) {
    return Parser(arguments).run();
}

}  // namespace lintor::tool
