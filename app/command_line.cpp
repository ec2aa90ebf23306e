#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "app/version.h"

namespace lintor {
namespace {

std::optional<uint16_t> parsePort(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value > 65535) return std::nullopt;
    return static_cast<uint16_t>(value);
}

// Reads the arguments one option at a time; the first mistake is kept.
class ArgumentReader {
public:
    explicit ArgumentReader(std::span<const std::string_view> arguments) : arguments_(arguments) {}

    // The next option's name, with a "--name=value" value split off.
    std::optional<std::string_view> next() {
        if (at_ >= arguments_.size()) return std::nullopt;
        name_ = arguments_[at_++];
        inlineValue_.reset();
        if (const size_t eq = name_.find('='); name_.starts_with("--") && eq != std::string_view::npos) {
            inlineValue_ = name_.substr(eq + 1);
            name_ = name_.substr(0, eq);
        }
        return name_;
    }

    void flag(bool& target) {
        if (inlineValue_) fail("option " + std::string(name_) + " takes no value");
        target = true;
    }
    void text(std::string& target) {
        const auto v = value();
        if (v && v->empty()) fail("option " + std::string(name_) + " needs a value");
        if (v) target = std::string(*v);
    }
    void port(uint16_t& target) {
        const auto v = value();
        if (!v) return;
        const auto parsed = parsePort(*v);
        if (!parsed) fail("invalid port for " + std::string(name_) + ": " + std::string(*v));
        target = parsed.value_or(target);
    }
    void unknown() { fail("unknown option: " + std::string(arguments_[at_ - 1])); }

    const std::string& error() const { return error_; }

private:
    std::optional<std::string_view> value() {
        if (inlineValue_) return inlineValue_;
        if (at_ < arguments_.size()) return arguments_[at_++];
        fail("option " + std::string(name_) + " needs a value");
        return std::nullopt;
    }
    void fail(std::string text) {
        if (error_.empty()) error_ = std::move(text);
    }

    std::span<const std::string_view> arguments_;
    size_t at_ = 0;
    std::string_view name_;
    std::optional<std::string_view> inlineValue_;
    std::string error_;
};

struct OptionEntry {
    std::string_view name;
    void (*read)(ArgumentReader& reader, Options& options);
};

constexpr std::array<OptionEntry, 11> kOptions{{
    {"--headless", [](ArgumentReader& r, Options& o) { r.flag(o.headless); }},
    {"--simulate", [](ArgumentReader& r, Options& o) { r.flag(o.simulate); }},
    {"--stats", [](ArgumentReader& r, Options& o) { r.flag(o.stats); }},
    {"--version", [](ArgumentReader& r, Options& o) { r.flag(o.version); }},
    {"--help", [](ArgumentReader& r, Options& o) { r.flag(o.help); }},
    {"-h", [](ArgumentReader& r, Options& o) { r.flag(o.help); }},
    {"--device", [](ArgumentReader& r, Options& o) { r.text(o.gateway.device); }},
    {"--config", [](ArgumentReader& r, Options& o) { r.text(o.configFile); }},
    {"--listen", [](ArgumentReader& r, Options& o) { r.text(o.gateway.listenAddress); }},
    {"--gateway-port", [](ArgumentReader& r, Options& o) { r.port(o.gateway.gatewayPort); }},
    {"--proxy-port", [](ArgumentReader& r, Options& o) { r.port(o.gateway.proxyPort); }},
}};

}  // namespace

ParsedCommandLine parseCommandLine(std::span<const std::string_view> arguments) {
    ParsedCommandLine result;
    ArgumentReader reader(arguments);
    while (const auto name = reader.next()) {
        const auto* const option = std::ranges::find(kOptions, *name, &OptionEntry::name);
        if (option == kOptions.end()) {
            reader.unknown();
        } else {
            option->read(reader, result.options);
        }
        if (!reader.error().empty()) {
            result.error = reader.error();
            return result;
        }
    }
    if (result.options.simulate && !result.options.gateway.device.empty()) {
        result.error = "--simulate and --device cannot be combined";
    }
    return result;
}

std::string usageText(const std::string& settingsPath) {
    const std::string settingsLine = "                      " + settingsPath + "\n";
    return "Usage: lintor [--headless] [--device PATH] [--simulate] [--gateway-port N] [--proxy-port N]\n"
           "              [--listen ADDRESS] [--config FILE] [--stats] [--version] [--help]\n"
           "\n"
           "Gateway between a KNX/EIB bus coupling unit (BCU) on a serial line and TCP clients.\n"
           "\n"
           "  --headless          run without a window (the default when there is no display)\n"
           "  --device PATH       serial device of the BCU; overrides the ComPort and Device settings\n"
           "  --simulate          run a simulated BCU on a pseudo-terminal and use it as the device\n"
           "  --gateway-port N    TCP port of the bus gateway (default 57627; 0 picks a free port)\n"
           "  --proxy-port N      TCP port of the group value proxy (default 5003; 0 picks a free port)\n"
           "  --listen ADDRESS    listen on this numeric IPv4 or IPv6 address only (default: all IPv4\n"
           "                      addresses)\n"
           "  --config FILE       keep the settings in this INI file instead of\n" +
           settingsLine +
           "  --stats             headless: print the traffic counters whenever they change\n"
           "  --version           print the version and exit\n"
           "  --help              print this help and exit\n"
           "\n"
           "Settings (section [settings], names in any case): ComPort=N selects /dev/ttyS<N-1>;\n"
           "Device=PATH names the device.\n";
}

std::string versionText() { return std::string(VERSION_TITLE) + "\n"; }

}  // namespace lintor
