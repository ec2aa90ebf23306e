#include "app/command_line.h"

#include <algorithm>
#include <array>

#include "app/option_table.h"
#include "app/version.h"
#include "link/individual_address.h"
#include "platform/ini_document.h"
#include "platform/udp_socket.h"

namespace lintor {
namespace {

constexpr std::array<OptionEntry, 24> kOptions{{
    {.name = "--headless",
     .section = "window",
     .key = "Headless",
     .read = [](OptionReader& r, Gathered& g) { r.flag(g.options.headless); },
     .desktopOnly = true},
    {.name = "--simulate",
     .section = "settings",
     .key = "Simulate",
     .read = [](OptionReader& r, Gathered& g) { r.flag(g.options.simulate); }},
    {.name = "--stats",
     .section = "log",
     .key = "Stats",
     .read = [](OptionReader& r, Gathered& g) { r.flag(g.options.stats); }},
    {.name = "--check-config", .read = [](OptionReader& r, Gathered& g) { r.flag(g.options.checkConfig); }},
    {.name = "--version", .read = [](OptionReader& r, Gathered& g) { r.flag(g.options.version); }},
    {.name = "--help", .read = [](OptionReader& r, Gathered& g) { r.flag(g.options.help); }},
    {.name = "-h", .read = [](OptionReader& r, Gathered& g) { r.flag(g.options.help); }},
    // The file's [settings] Device is read with ComPort, where the device is chosen.
    {.name = "--device", .read = [](OptionReader& r, Gathered& g) { r.text(g.options.gateway.device); }},
    {.name = "--interface",
     .section = "settings",
     .key = "Interface",
     .read = [](OptionReader& r, Gathered& g) { r.busInterface(g.options.gateway.busInterface); }},
    {.name = "--config", .read = [](OptionReader& r, Gathered& g) { r.text(g.options.configFile); }},
    {.name = "--listen",
     .section = "settings",
     .key = "Listen",
     .read = [](OptionReader& r, Gathered& g) { r.listenAddress(g.options.gateway.listenAddress); }},
    {.name = "--gateway-listen",
     .section = "gateway",
     .key = "Listen",
     .read = [](OptionReader& r, Gathered& g) { r.optionalListenAddress(g.options.gateway.gatewayListen); },
     .alsoFrom = "--listen"},
    {.name = "--proxy-listen",
     .section = "proxy",
     .key = "Listen",
     .read = [](OptionReader& r, Gathered& g) { r.optionalListenAddress(g.options.gateway.proxyListen); },
     .alsoFrom = "--listen"},
    {.name = "--gateway-port",
     .section = "gateway",
     .key = "Port",
     .read = [](OptionReader& r, Gathered& g) { r.port(g.options.gateway.gatewayPort); }},
    {.name = "--proxy-port",
     .section = "proxy",
     .key = "Port",
     .read = [](OptionReader& r,
                Gathered& g) { r.portOrOff(g.options.gateway.proxyPort, g.options.gateway.proxyEnabled); }},
    {.name = "--knxip-port",
     .section = "knxip",
     .key = "Port",
     .read = [](OptionReader& r,
                Gathered& g) { r.portOrOff(g.options.gateway.knxip.port, g.options.gateway.knxip.enabled); }},
    {.name = "--knxip-listen",
     .section = "knxip",
     .key = "Listen",
     .read = [](OptionReader& r, Gathered& g) { r.optionalListenAddress(g.options.gateway.knxip.listen); },
     .alsoFrom = "--listen"},
    {.name = "--knxip-address",
     .section = "knxip",
     .key = "Address",
     .read = [](OptionReader& r, Gathered& g) { r.individualAddress(g.options.gateway.knxip.address); }},
    {.name = "--knxip-tunnels",
     .section = "knxip",
     .key = "Tunnels",
     .read =
         [](OptionReader& r, Gathered& g) {
             r.tunnelRange(g.options.gateway.knxip.firstTunnel, g.options.gateway.knxip.tunnels, KNXIP_TUNNELS_LIMIT);
         }},
    {.name = "--knxip-name",
     .section = "knxip",
     .key = "Name",
     .read = [](OptionReader& r, Gathered& g) { r.text(g.options.gateway.knxip.name); }},
    {.name = "--allow",
     .section = "access",
     .key = "Allow",
     .read = [](OptionReader& r, Gathered& g) { r.cidr(g.allow); },
     .list = true},
    {.name = "--max-clients",
     .section = "access",
     .key = "MaxClients",
     .read = [](OptionReader& r, Gathered& g) { r.count(g.options.gateway.limits.maxClients, 1, MAX_CLIENTS_LIMIT); }},
    {.name = "--max-bus-wait",
     .section = "settings",
     .key = "MaxBusWait",
     .read = [](OptionReader& r, Gathered& g) { r.seconds(g.options.gateway.maxBusWait, 1, MAX_BUS_WAIT_LIMIT_S); }},
    {.name = "--log-level",
     .section = "log",
     .key = "Level",
     .read = [](OptionReader& r, Gathered& g) { r.level(g.options.logLevel); }},
}};
// A slot without an entry would match an empty argument and call nothing.
static_assert(std::ranges::all_of(kOptions, [](const OptionEntry& e) { return !e.name.empty() && e.read; }));

}  // namespace

std::string OptionEntry::displayName() const { return "[" + std::string(section) + "] " + std::string(key); }

const OptionEntry* findOption(Program program, std::string_view name) {
    const auto* const option = std::ranges::find(kOptions, name, &OptionEntry::name);
    if (option == kOptions.end() || (option->desktopOnly && program != Program::Desktop)) return nullptr;
    return option;
}

const OptionEntry* findFileEntry(std::string_view section, std::string_view key) {
    const auto* const option = std::ranges::find_if(kOptions, [&](const OptionEntry& e) {
        return e.inFile() && sameIniName(e.section, section) && sameIniName(e.key, key);
    });
    return option == kOptions.end() ? nullptr : option;
}

std::string_view programName(Program program) { return program == Program::Daemon ? "lintord" : "lintor"; }

std::string checkCombination(const Options& options) {
    if (options.simulate && !options.gateway.device.empty()) return "--simulate and --device cannot be combined";
    const GatewayConfig& gateway = options.gateway;
    // 0 asks for a free port each, which can never be the same one.
    if (gateway.proxyEnabled && gateway.gatewayPort != 0 && gateway.gatewayPort == gateway.proxyPort) {
        return "--gateway-port and --proxy-port are both " + std::to_string(gateway.gatewayPort) +
               ": give each its own port, or --proxy-port off";
    }
    const KnxIpConfig& knxip = gateway.knxip;
    if (knxip.enabled && knxip.firstTunnel && knxip.address >= *knxip.firstTunnel &&
        static_cast<size_t>(knxip.address - *knxip.firstTunnel) < knxip.tunnels) {
        return "--knxip-address " + formatIndividualAddress(knxip.address) + " is one of the tunnels' addresses (" +
               formatIndividualAddress(*knxip.firstTunnel) + ":" + std::to_string(knxip.tunnels) +
               "): give the server an address of its own";
    }
    // An IPv6 --listen of older settings leaves KNXnet/IP out (GatewayCore
    // says so); only an address given for it must be one it can use.
    if (gateway.knxip.enabled && gateway.knxip.listen && !gateway.knxip.listen->empty() &&
        !parseIpv4(*gateway.knxip.listen)) {
        return "KNXnet/IP needs an IPv4 address, not " + *gateway.knxip.listen +
               ": give --knxip-listen an IPv4 address, or --knxip-port off";
    }
    return {};
}

ParsedCommandLine parseCommandLine(Program program, std::span<const std::string_view> arguments) {
    ParsedCommandLine result;
    Gathered gathered;
    OptionReader reader(arguments);
    while (const auto name = reader.next()) {
        const OptionEntry* const option = findOption(program, *name);
        if (!option) {
            reader.unknown();
        } else {
            option->read(reader, gathered);
            result.given.push_back(option->name);
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

namespace {

std::string usageLines(Program program) {
    const std::string name(programName(program));
    const std::string indent(name.size() + 8, ' ');
    return "Usage: " + name + (program == Program::Desktop ? " [--headless]" : "") +
           " [--device PATH] [--interface emi|cemi] [--simulate]\n" + indent +
           "[--gateway-port N] [--proxy-port N|off]\n" + indent +
           "[--listen ADDRESS] [--gateway-listen ADDRESS] [--proxy-listen ADDRESS]\n" + indent +
           "[--knxip-port N|off] [--knxip-listen ADDRESS] [--knxip-address A]\n" + indent +
           "[--knxip-tunnels A:N] [--knxip-name TEXT]\n" + indent +
           "[--allow CIDR]... [--max-clients N] [--max-bus-wait S]\n" + indent +
           "[--log-level LEVEL] [--config FILE]\n" + indent + "[--check-config] [--stats] [--version] [--help]\n";
}

std::string configLines(Program program, const std::string& settingsPath) {
    if (program == Program::Daemon) {
        return "  --config FILE         read the settings from this INI file (default: none); the\n"
               "                        daemon never writes it\n";
    }
    return "  --config FILE         keep the settings in this INI file instead of\n"
           "                        " +
           settingsPath + "\n";
}

}  // namespace

std::string usageText(Program program, const std::string& settingsPath) {
    return usageLines(program) +
           "\n"
           "Gateway between a KNX/EIB bus coupling unit (BCU) on a serial line and TCP clients.\n"
           "\n" +
           (program == Program::Desktop
                ? "  --headless            run without a window (the default when there is no display)\n"
                : "") +
           "  --device PATH         serial device of the BCU; overrides the ComPort and Device settings\n"
           "  --interface emi|cemi  what the device speaks: emi for a BCU 2 (default), cemi for an\n"
           "                        FT1.2 module of today (kBerry and the like)\n"
           "  --simulate            run a simulated BCU on a pseudo-terminal and use it as the device\n"
           "  --gateway-port N      TCP port of the bus gateway (default 57627; 0 picks a free port)\n"
           "  --proxy-port N|off    TCP port of the group value proxy (default 5003; 0 picks a free\n"
           "                        port; off runs without the proxy)\n"
           "  --listen ADDRESS      listen on this numeric IPv4 or IPv6 address only, both ports\n"
           "                        (default: all IPv4 addresses)\n"
           "  --gateway-listen ADDRESS, --proxy-listen ADDRESS\n"
           "                        the same for one port\n"
           "  --knxip-port N|off    UDP port of the KNXnet/IP tunnelling server (default 3671; 0 picks\n"
           "                        a free port; off runs without it)\n"
           "  --knxip-listen ADDRESS\n"
           "                        its IPv4 address (default: that of --listen, or all, with the\n"
           "                        search by multicast on 224.0.23.12)\n"
           "  --knxip-address A     its individual address (default 15.15.240)\n"
           "  --knxip-tunnels A:N   N tunnels from individual address A on (default: 4 with the\n"
           "                        BCU's own address, where devices send their answers)\n"
           "  --knxip-name TEXT     the name configuration tools show (default Lintor)\n"
           "  --allow CIDR          accept connections only from this address or network, e.g.\n"
           "                        192.168.1.0/24 or fd00::/8; repeat for more (default: everyone).\n"
           "                        Whoever reaches the gateway port can write raw bytes to the bus.\n"
           "                        Applies to the KNXnet/IP server too.\n"
           "  --max-clients N       connections held at once on each port (default 256)\n"
           "  --max-bus-wait S      drop a record towards the bus that has waited S seconds for\n"
           "                        its turn on the line, with a log line (default 5)\n"
           "  --log-level LEVEL     error, warning, notice, info (default) or debug\n" +
           configLines(program, settingsPath) +
           "  --check-config        read the command line and the settings file, report every\n"
           "                        problem, and exit 0 when there is none, 1 otherwise\n"
           "  --stats               headless: print the traffic counters whenever they change\n"
           "  --version             print the version and exit\n"
           "  --help                print this help and exit\n"
           "\n"
           "Settings file (INI; sections and names in any case; the command line wins):\n"
           "  [settings] ComPort=N (/dev/ttyS<N-1>), Device=PATH, Simulate=yes|no, Listen=ADDRESS,\n"
           "             Interface=emi|cemi, MaxBusWait=S\n"
           "  [gateway] Port=N, Listen=ADDRESS    [proxy] Port=N|off, Listen=ADDRESS\n"
           "  [knxip] Port=N|off, Listen=ADDRESS, Address=A, Tunnels=A:N, Name=TEXT\n"
           "  [access] Allow=CIDR, CIDR..., MaxClients=N    [log] Level=LEVEL, Stats=yes|no\n" +
           (program == Program::Desktop ? "  [window] Headless=yes|no\n" : "") +
           "SIGHUP rereads [log] Level and [access] Allow.\n";
}

std::string versionText() { return std::string(VERSION_TITLE) + "\n"; }

}  // namespace lintor
