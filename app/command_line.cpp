#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

#include "app/version.h"
#include "platform/address_filter.h"
#include "platform/tcp_socket.h"

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
    // A port, or "off" where the port may be switched off.
    void portOrOff(uint16_t& target, bool& enabled) {
        const auto v = value();
        if (v && *v == "off") {
            enabled = false;
            return;
        }
        if (!v) return;
        const auto parsed = parsePort(*v);
        if (!parsed) fail("invalid port for " + std::string(name_) + ": " + std::string(*v) + " (0 to 65535 or off)");
        target = parsed.value_or(target);
        enabled = true;
    }
    void listenAddress(std::string& target) {
        const auto v = value();
        if (!v) return;
        if (v->empty() || !isListenAddress(std::string(*v))) {
            fail("not a numeric IPv4 or IPv6 address for " + std::string(name_) + ": " + std::string(*v));
        }
        target = std::string(*v);
    }
    void optionalListenAddress(std::optional<std::string>& target) {
        std::string address;
        listenAddress(address);
        target = address;
    }
    void cidr(std::vector<Cidr>& target) {
        const auto v = value();
        if (!v) return;
        const auto parsed = parseCidr(*v);
        if (!parsed) {
            fail("not an address or network for " + std::string(name_) + ": " + std::string(*v) +
                 " (e.g. 192.168.1.0/24, 10.0.0.5, fd00::/8)");
            return;
        }
        target.push_back(*parsed);
    }
    void level(log::Level& target) {
        const auto v = value();
        if (!v) return;
        const auto parsed = log::parseLevel(*v);
        if (!parsed) fail("unknown log level: " + std::string(*v) + " (error, warning, notice, info or debug)");
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

// What the options gather before the configuration is put together.
struct Gathered {
    Options options;
    std::vector<Cidr> allow;
};

struct OptionEntry {
    std::string_view name;
    void (*read)(ArgumentReader& reader, Gathered& gathered);
};

constexpr std::array<OptionEntry, 15> kOptions{{
    {"--headless", [](ArgumentReader& r, Gathered& g) { r.flag(g.options.headless); }},
    {"--simulate", [](ArgumentReader& r, Gathered& g) { r.flag(g.options.simulate); }},
    {"--stats", [](ArgumentReader& r, Gathered& g) { r.flag(g.options.stats); }},
    {"--version", [](ArgumentReader& r, Gathered& g) { r.flag(g.options.version); }},
    {"--help", [](ArgumentReader& r, Gathered& g) { r.flag(g.options.help); }},
    {"-h", [](ArgumentReader& r, Gathered& g) { r.flag(g.options.help); }},
    {"--device", [](ArgumentReader& r, Gathered& g) { r.text(g.options.gateway.device); }},
    {"--config", [](ArgumentReader& r, Gathered& g) { r.text(g.options.configFile); }},
    {"--listen", [](ArgumentReader& r, Gathered& g) { r.listenAddress(g.options.gateway.listenAddress); }},
    {"--gateway-listen",
     [](ArgumentReader& r, Gathered& g) { r.optionalListenAddress(g.options.gateway.gatewayListen); }},
    {"--proxy-listen", [](ArgumentReader& r, Gathered& g) { r.optionalListenAddress(g.options.gateway.proxyListen); }},
    {"--gateway-port", [](ArgumentReader& r, Gathered& g) { r.port(g.options.gateway.gatewayPort); }},
    {"--proxy-port",
     [](ArgumentReader& r, Gathered& g) { r.portOrOff(g.options.gateway.proxyPort, g.options.gateway.proxyEnabled); }},
    {"--allow", [](ArgumentReader& r, Gathered& g) { r.cidr(g.allow); }},
    {"--log-level", [](ArgumentReader& r, Gathered& g) { r.level(g.options.logLevel); }},
}};
// A slot without an entry would match an empty argument and call nothing.
static_assert(std::ranges::all_of(kOptions, [](const OptionEntry& e) { return !e.name.empty() && e.read; }));

}  // namespace

namespace {

std::string checkCombination(const Options& options) {
    if (options.simulate && !options.gateway.device.empty()) return "--simulate and --device cannot be combined";
    const GatewayConfig& gateway = options.gateway;
    // 0 asks for a free port each, which can never be the same one.
    if (gateway.proxyEnabled && gateway.gatewayPort != 0 && gateway.gatewayPort == gateway.proxyPort) {
        return "--gateway-port and --proxy-port are both " + std::to_string(gateway.gatewayPort) +
               ": give each its own port, or --proxy-port off";
    }
    return {};
}

}  // namespace

ParsedCommandLine parseCommandLine(std::span<const std::string_view> arguments) {
    ParsedCommandLine result;
    Gathered gathered;
    ArgumentReader reader(arguments);
    while (const auto name = reader.next()) {
        const auto* const option = std::ranges::find(kOptions, *name, &OptionEntry::name);
        if (option == kOptions.end()) {
            reader.unknown();
        } else {
            option->read(reader, gathered);
        }
        if (!reader.error().empty()) {
            result.error = reader.error();
            return result;
        }
    }
    result.options = std::move(gathered.options);
    result.options.gateway.allow = AddressFilter(std::move(gathered.allow));
    result.error = checkCombination(result.options);
    return result;
}

std::string usageText(const std::string& settingsPath) {
    const std::string settingsLine = "                        " + settingsPath + "\n";
    return "Usage: lintor [--headless] [--device PATH] [--simulate] [--gateway-port N] [--proxy-port N|off]\n"
           "              [--listen ADDRESS] [--gateway-listen ADDRESS] [--proxy-listen ADDRESS]\n"
           "              [--allow CIDR]... [--log-level LEVEL] [--config FILE] [--stats] [--version] [--help]\n"
           "\n"
           "Gateway between a KNX/EIB bus coupling unit (BCU) on a serial line and TCP clients.\n"
           "\n"
           "  --headless            run without a window (the default when there is no display)\n"
           "  --device PATH         serial device of the BCU; overrides the ComPort and Device settings\n"
           "  --simulate            run a simulated BCU on a pseudo-terminal and use it as the device\n"
           "  --gateway-port N      TCP port of the bus gateway (default 57627; 0 picks a free port)\n"
           "  --proxy-port N|off    TCP port of the group value proxy (default 5003; 0 picks a free\n"
           "                        port; off runs without the proxy)\n"
           "  --listen ADDRESS      listen on this numeric IPv4 or IPv6 address only, both ports\n"
           "                        (default: all IPv4 addresses)\n"
           "  --gateway-listen ADDRESS, --proxy-listen ADDRESS\n"
           "                        the same for one port\n"
           "  --allow CIDR          accept connections only from this address or network, e.g.\n"
           "                        192.168.1.0/24 or fd00::/8; repeat for more (default: everyone).\n"
           "                        Whoever reaches the gateway port can write raw bytes to the bus.\n"
           "  --log-level LEVEL     error, warning, notice, info (default) or debug\n"
           "  --config FILE         keep the settings in this INI file instead of\n" +
           settingsLine +
           "  --stats               headless: print the traffic counters whenever they change\n"
           "  --version             print the version and exit\n"
           "  --help                print this help and exit\n"
           "\n"
           "Settings (section [settings], names in any case): ComPort=N selects /dev/ttyS<N-1>;\n"
           "Device=PATH names the device.\n";
}

std::string versionText() { return std::string(VERSION_TITLE) + "\n"; }

}  // namespace lintor
