#include "app/command_line.h"

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

}  // namespace

ParsedCommandLine parseCommandLine(std::span<const std::string_view> arguments) {
    ParsedCommandLine result;
    Options& o = result.options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string_view name = arguments[i];
        std::optional<std::string_view> inlineValue;
        if (const size_t eq = name.find('='); name.starts_with("--") && eq != std::string_view::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        const auto flag = [&](bool& target) {
            if (inlineValue) {
                result.error = "option " + std::string(name) + " takes no value";
                return;
            }
            target = true;
        };
        const auto value = [&]() -> std::optional<std::string_view> {
            if (inlineValue) return inlineValue;
            if (i + 1 < arguments.size()) return arguments[++i];
            result.error = "option " + std::string(name) + " needs a value";
            return std::nullopt;
        };
        const auto port = [&](uint16_t& target) {
            const auto text = value();
            if (!text) return;
            const auto parsed = parsePort(*text);
            if (!parsed) {
                result.error = "invalid port for " + std::string(name) + ": " + std::string(*text);
                return;
            }
            target = *parsed;
        };
        const auto text = [&](std::string& target) {
            const auto v = value();
            if (!v) return;
            if (v->empty()) {
                result.error = "option " + std::string(name) + " needs a value";
                return;
            }
            target = std::string(*v);
        };

        if (name == "--headless") flag(o.headless);
        else if (name == "--simulate") flag(o.simulate);
        else if (name == "--stats") flag(o.stats);
        else if (name == "--version") flag(o.version);
        else if (name == "--help" || name == "-h") flag(o.help);
        else if (name == "--device") text(o.gateway.device);
        else if (name == "--config") text(o.configFile);
        else if (name == "--listen") text(o.gateway.listenAddress);
        else if (name == "--gateway-port") port(o.gateway.gatewayPort);
        else if (name == "--proxy-port") port(o.gateway.proxyPort);
        else result.error = "unknown option: " + std::string(arguments[i]);

        if (!result.error.empty()) return result;
    }
    if (o.simulate && !o.gateway.device.empty()) result.error = "--simulate and --device cannot be combined";
    return result;
}

std::string usageText(const std::string& settingsPath) {
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
           "  --config FILE       keep the settings in this INI file instead of\n"
           "                      " + settingsPath + "\n"
           "  --stats             headless: print the traffic counters whenever they change\n"
           "  --version           print the version and exit\n"
           "  --help              print this help and exit\n"
           "\n"
           "Settings (section [settings], names in any case): ComPort=N selects /dev/ttyS<N-1>;\n"
           "Device=PATH names the device.\n";
}

std::string versionText() { return std::string(VERSION_TITLE) + "\n"; }

}  // namespace lintor
