#include "tools/lintor-tool/tool_options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string_view>

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

GA is a group address (1/2/3) or, with --names, a name from the file.

options:
  --host HOST          the gateway's host (default 127.0.0.1)
  --port N             its port (default 57627; watch: 5003)
  --names FILE         names and datapoint types of group addresses: an ETS
                       CSV export or lines of "1/2/3;Kitchen light;1.001"
  --dpt TYPE           datapoint type of GA for write and read (9.001, DPST-9-1)
  --timeout SECONDS    how long write and read wait (default 3)
  --json               one JSON object per line
  --help, --version

exit status: 0 done, 1 failed (no connection, not confirmed), 2 bad usage or
value, 3 no response to a read. See lintor-tool(1) for the datapoint types.
)";

constexpr double kShortestTimeoutSeconds = 0.001;
constexpr double kLongestTimeoutSeconds = 3600;

struct CommandName {
    std::string_view name;
    Command command;
    size_t arguments;
};

constexpr std::array<CommandName, 4> kCommands{{
    {"monitor", Command::Monitor, 0},
    {"write", Command::Write, 2},
    {"read", Command::Read, 1},
    {"watch", Command::Watch, 0},
}};

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
    bool commandSeen_ = false;
    bool timeoutGiven_ = false;
};

// Options that a command would pass over are refused, so nobody believes
// they took effect.
std::optional<ToolMessage> unusedOption(const ToolOptions& options, bool timeoutGiven) {
    const bool follows = options.command == Command::Monitor || options.command == Command::Watch;
    const std::string command = options.command == Command::Monitor ? "monitor"
                                : options.command == Command::Watch ? "watch"
                                                                    : "write";
    if (follows && options.type) return mistake("lintor-tool " + command + ": --dpt is for write and read");
    if (follows && timeoutGiven) return mistake("lintor-tool " + command + ": --timeout is for write and read");
    if (options.command == Command::Write && options.json) {
        return mistake("lintor-tool write: --json is for monitor, read and watch");
    }
    return std::nullopt;
}

std::variant<ToolOptions, ToolMessage> Parser::run() {
    size_t wanted = 0;
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
        if (!commandSeen_) {
            const auto* found = std::ranges::find(kCommands, word, &CommandName::name);
            if (found == kCommands.end()) return mistake("lintor-tool: unknown command \"" + std::string(word) + "\"");
            options_.command = found->command;
            wanted = found->arguments;
            commandSeen_ = true;
            continue;
        }
        options_.arguments.emplace_back(word);
    }
    if (!commandSeen_) return mistake("lintor-tool: no command given (monitor, write, read or watch)");
    if (options_.arguments.size() < wanted) {
        return mistake(options_.command == Command::Write ? "lintor-tool write: give a group address and a value"
                                                          : "lintor-tool read: give a group address");
    }
    if (options_.arguments.size() > wanted) {
        return mistake("lintor-tool: unexpected \"" + options_.arguments[wanted] + "\"");
    }
    if (auto message = unusedOption(options_, timeoutGiven_)) return *message;
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
