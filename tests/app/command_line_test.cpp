#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "app/headless_console.h"
#include "platform/address_filter.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;

ParsedCommandLine parse(std::vector<std::string_view> arguments) { return parseCommandLine(arguments); }

TEST(CommandLine, DefaultsAndEveryOption) {
    const auto none = parse({});
    EXPECT_TRUE(none.error.empty());
    EXPECT_EQ(none.options.gateway.gatewayPort, 57627);
    EXPECT_EQ(none.options.gateway.proxyPort, 5003);
    EXPECT_FALSE(none.options.headless);
    EXPECT_EQ(none.options.gateway.limits.maxClients, 256u);
    EXPECT_EQ(none.options.gateway.maxBusWait, 5s);

    const auto all =
        parse({"--headless", "--device", "/dev/ttyUSB0", "--gateway-port=0", "--proxy-port", "6000", "--listen",
               "127.0.0.1", "--config=/tmp/x.ini", "--stats", "--max-clients", "65535", "--max-bus-wait", "600"});
    ASSERT_TRUE(all.error.empty()) << all.error;
    EXPECT_TRUE(all.options.headless);
    EXPECT_EQ(all.options.gateway.device, "/dev/ttyUSB0");
    EXPECT_EQ(all.options.gateway.gatewayPort, 0);
    EXPECT_EQ(all.options.gateway.proxyPort, 6000);
    EXPECT_EQ(all.options.gateway.listenAddress, "127.0.0.1");
    EXPECT_EQ(all.options.configFile, "/tmp/x.ini");
    EXPECT_TRUE(all.options.stats);
    EXPECT_EQ(all.options.gateway.limits.maxClients, 65535u);
    EXPECT_EQ(all.options.gateway.maxBusWait, 600s);
}

TEST(CommandLine, ListenAddressesAccessAndLogLevel) {
    const auto parsed = parse({"--listen", "127.0.0.1", "--proxy-listen", "::1", "--proxy-port", "off", "--allow",
                               "192.168.1.0/24", "--allow=fd00::/8", "--log-level", "debug"});
    ASSERT_TRUE(parsed.error.empty()) << parsed.error;
    const GatewayConfig& gateway = parsed.options.gateway;
    EXPECT_EQ(gateway.gatewayAddress(), "127.0.0.1");
    EXPECT_EQ(gateway.proxyAddress(), "::1");
    EXPECT_FALSE(gateway.proxyEnabled);
    EXPECT_EQ(parsed.options.logLevel, log::Level::Debug);
    ASSERT_EQ(gateway.allow.rules().size(), 2u);
    EXPECT_EQ(formatCidr(gateway.allow.rules()[0]), "192.168.1.0/24");
    EXPECT_EQ(formatCidr(gateway.allow.rules()[1]), "fd00::/8");

    const auto defaults = parse({"--gateway-listen", "0.0.0.0"});
    EXPECT_EQ(defaults.options.gateway.gatewayAddress(), "0.0.0.0");
    EXPECT_EQ(defaults.options.gateway.proxyAddress(), "");
    EXPECT_TRUE(defaults.options.gateway.proxyEnabled);
    EXPECT_TRUE(defaults.options.gateway.allow.empty());
    EXPECT_EQ(defaults.options.logLevel, log::Level::Info);
}

TEST(CommandLine, KnxIpServer) {
    const KnxIpConfig defaults = parse({}).options.gateway.knxip;
    EXPECT_TRUE(defaults.enabled);
    EXPECT_EQ(defaults.port, 3671);
    EXPECT_EQ(defaults.address, 0xFFF0);  // 15.15.240
    EXPECT_FALSE(defaults.firstTunnel);   // the BCU's own address
    EXPECT_EQ(defaults.tunnels, 4U);
    EXPECT_EQ(defaults.name, "Lintor");

    const auto parsed = parse({"--knxip-port", "3700", "--knxip-listen", "192.0.2.1", "--knxip-address", "1.1.240",
                               "--knxip-tunnels", "1.1.250:6", "--knxip-name", "Line 1"});
    ASSERT_TRUE(parsed.error.empty()) << parsed.error;
    const KnxIpConfig& knxip = parsed.options.gateway.knxip;
    EXPECT_EQ(knxip.port, 3700);
    EXPECT_EQ(parsed.options.gateway.knxipAddress(), "192.0.2.1");
    EXPECT_EQ(knxip.address, 0x11F0);
    EXPECT_EQ(knxip.firstTunnel, 0x11FA);
    EXPECT_EQ(knxip.tunnels, 6U);
    EXPECT_EQ(knxip.name, "Line 1");
    EXPECT_EQ(parse({"--knxip-tunnels", "1.1.255"}).options.gateway.knxip.tunnels, 1U);
    EXPECT_FALSE(parse({"--knxip-port", "off"}).options.gateway.knxip.enabled);

    // An IPv6 address for every port leaves KNXnet/IP out, not the start.
    EXPECT_EQ(parse({"--listen", "::1"}).error, "");
    EXPECT_EQ(parse({"--knxip-listen", "::1"}).error,
              "KNXnet/IP needs an IPv4 address, not ::1: give --knxip-listen an IPv4 address, or --knxip-port off");
    EXPECT_EQ(parse({"--knxip-listen", "::1", "--knxip-port", "off"}).error, "");

    const std::string range = " (the first address and how many, e.g. 1.1.241:4, devices 1 to 255 of one line)";
    for (const char* wrong : {"1.1.250:7", "1.1.0:2", "1.1.241:0", "1.1.241:", "1.1:4", "16.0.1:1"}) {
        EXPECT_EQ(parse({"--knxip-tunnels", wrong}).error,
                  "not a range of tunnel addresses for --knxip-tunnels: " + std::string(wrong) + range);
    }
    EXPECT_EQ(parse({"--knxip-address", "15.15.243"}).error, "");
    EXPECT_EQ(parse({"--knxip-address", "15.15.243", "--knxip-tunnels", "15.15.241:4"}).error,
              "--knxip-address 15.15.243 is one of the tunnels' addresses (15.15.241:4): give the server an address of "
              "its own");
    EXPECT_EQ(parse({"--knxip-address", "15.15.243", "--knxip-tunnels", "15.15.241:4", "--knxip-port", "off"}).error,
              "");
    EXPECT_EQ(parse({"--knxip-address", "1.1"}).error,
              "not an individual address for --knxip-address: 1.1 (e.g. 1.1.250)");
}

TEST(CommandLine, EqualPortsAreRefusedUnlessFreeOrTheProxyIsOff) {
    EXPECT_EQ(parse({"--gateway-port", "5003"}).error,
              "--gateway-port and --proxy-port are both 5003: give each its own port, or --proxy-port off");
    EXPECT_EQ(parse({"--gateway-port", "6000", "--proxy-port", "6000"}).error,
              "--gateway-port and --proxy-port are both 6000: give each its own port, or --proxy-port off");
    EXPECT_EQ(parse({"--gateway-port", "0", "--proxy-port", "0"}).error, "");
    EXPECT_EQ(parse({"--gateway-port", "5003", "--proxy-port", "off"}).error, "");
}

TEST(CommandLine, MistakesAreNamed) {
    struct Case {
        std::vector<std::string_view> arguments;
        std::string error;
    };
    for (const Case& c : {
             Case{{"--gateway-port", "65536"}, "invalid port for --gateway-port: 65536"},
             Case{{"--proxy-port", "-1"}, "invalid port for --proxy-port: -1 (0 to 65535 or off)"},
             Case{{"--proxy-port", "12ab"}, "invalid port for --proxy-port: 12ab (0 to 65535 or off)"},
             Case{{"--device"}, "option --device needs a value"},
             Case{{""}, "unknown option: "},
             Case{{"--headless", ""}, "unknown option: "},
             Case{{"--listen", "example.org"}, "not a numeric IPv4 or IPv6 address for --listen: example.org"},
             Case{{"--proxy-listen", "1.2.3"}, "not a numeric IPv4 or IPv6 address for --proxy-listen: 1.2.3"},
             Case{{"--allow", "10.0.0.0/33"},
                  "not an address or network for --allow: 10.0.0.0/33 (e.g. 192.168.1.0/24, 10.0.0.5, fd00::/8)"},
             Case{{"--log-level", "verbose"}, "unknown log level: verbose (error, warning, notice, info or debug)"},
             Case{{"--device="}, "option --device needs a value"},
             Case{{"--max-clients", "0"}, "invalid number for --max-clients: 0 (1 to 65535)"},
             Case{{"--max-clients", "65536"}, "invalid number for --max-clients: 65536 (1 to 65535)"},
             Case{{"--max-clients", "2k"}, "invalid number for --max-clients: 2k (1 to 65535)"},
             Case{{"--max-bus-wait", "0"}, "invalid number for --max-bus-wait: 0 (1 to 600)"},
             Case{{"--stats=yes"}, "option --stats takes no value"},
             Case{{"-x"}, "unknown option: -x"},
             Case{{"--simulate", "--device", "/dev/ttyS0"}, "--simulate and --device cannot be combined"},
         }) {
        EXPECT_EQ(parse(c.arguments).error, c.error);
    }
}

class RecordingSink final : public LineSink {
public:
    void writeLine(std::string_view line) override { text += std::string(line) + "\n"; }
    std::string text;
};

TEST(HeadlessConsole, PrintsKnxIpLinesWhole) {
    RecordingSink out;
    HeadlessConsole console(false, out);
    console.showKnxIpStatus("KNXnet/IP: tunnel 1 connected from 192.0.2.10:3671", "tunnel 1 connected..");
    EXPECT_EQ(out.text, "KNXnet/IP: tunnel 1 connected from 192.0.2.10:3671\n");
}

TEST(HeadlessConsole, PrintsStatusLinesAndCountersOnlyWhenTheyChange) {
    RecordingSink out;
    {
        HeadlessConsole console(true, out);
        console.setStatusText(StatusField::Socket, "waiting..");
        console.setStatusText(StatusField::Bcu, "reset..");
        for (int tick = 0; tick < 2; ++tick) {
            console.setCounter(CounterField::AckSent, 3);
            console.setCounter(CounterField::AckReceived, 2);
            console.setCounter(CounterField::PortWrites, 5);
            console.setCounter(CounterField::Duplicates, 0);
            console.countersRefreshed();
        }
        console.setCounter(CounterField::Duplicates, 1);
        console.countersRefreshed();
    }
    EXPECT_EQ(out.text,
              "Socket: waiting..\n"
              "BCU: reset..\n"
              "Counters: DataMsgs > BCU=5 received ACKs=2 ACKs > BCU=3 Duplicate Msgs=0\n"
              "Counters: DataMsgs > BCU=5 received ACKs=2 ACKs > BCU=3 Duplicate Msgs=1\n");
}

}  // namespace
}  // namespace lintor
