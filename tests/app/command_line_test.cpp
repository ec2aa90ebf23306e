#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "app/headless_console.h"
#include "platform/address_filter.h"

namespace lintor {
namespace {

ParsedCommandLine parse(std::vector<std::string_view> arguments) { return parseCommandLine(arguments); }

TEST(CommandLine, DefaultsAndEveryOption) {
    const auto none = parse({});
    EXPECT_TRUE(none.error.empty());
    EXPECT_EQ(none.options.gateway.gatewayPort, 57627);
    EXPECT_EQ(none.options.gateway.proxyPort, 5003);
    EXPECT_FALSE(none.options.headless);
    EXPECT_EQ(none.options.gateway.limits.maxClients, 256u);

    const auto all = parse({"--headless", "--device", "/dev/ttyUSB0", "--gateway-port=0", "--proxy-port", "6000",
                            "--listen", "127.0.0.1", "--config=/tmp/x.ini", "--stats", "--max-clients", "65535"});
    ASSERT_TRUE(all.error.empty()) << all.error;
    EXPECT_TRUE(all.options.headless);
    EXPECT_EQ(all.options.gateway.device, "/dev/ttyUSB0");
    EXPECT_EQ(all.options.gateway.gatewayPort, 0);
    EXPECT_EQ(all.options.gateway.proxyPort, 6000);
    EXPECT_EQ(all.options.gateway.listenAddress, "127.0.0.1");
    EXPECT_EQ(all.options.configFile, "/tmp/x.ini");
    EXPECT_TRUE(all.options.stats);
    EXPECT_EQ(all.options.gateway.limits.maxClients, 65535u);
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
