// lintor-tool against the real lintord on a simulated BCU.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/tcp_socket.h"
#include "tests/support/bytes.h"
#include "tests/support/child_process.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;
using test::hasLineContaining;
using test::joined;
using test::portFrom;
using test::waitForLineContaining;

const std::string kExport = LINTOR_TOOL_TEST_DATA "/ets-export.csv";

// A port that nothing listens on: bound once, then given back.
uint16_t unusedPort() {
    const ListeningSocket socket = listenTcp("127.0.0.1", 0, 1);
    return boundPort(socket.fd.get());
}

class ToolProcessTest : public ::testing::Test {
protected:
    void startGateway(bool demo = false, BusInterface interface = BusInterface::Emi) {
        bcusim::Options options;
        options.demo = demo;
        options.interface = interface;
        sim_ = bcusim::BcuSimulator::start(options).take();
        gateway_ = std::make_unique<ChildProcess>(
            LINTORD_BINARY,
            std::vector<std::string>{"--device", sim_->devicePath(), "--gateway-port", "0", "--proxy-port", "0",
                                     "--knxip-port", "0", "--interface", std::string(busInterfaceName(interface))});
        gatewayPort_ = portFrom(gateway_->waitForLine("Gateway port: ", 5s));
        proxyPort_ = portFrom(gateway_->waitForLine("Proxy port: ", 5s));
        ASSERT_TRUE(gateway_->waitForLine("BCU: connected to BCU", 5s));
    }

    std::unique_ptr<ChildProcess> tool(std::vector<std::string> arguments, uint16_t port = 0) {
        arguments.push_back("--port");
        arguments.push_back(std::to_string(port != 0 ? port : gatewayPort_));
        return std::make_unique<ChildProcess>(LINTOR_TOOL_BINARY, arguments);
    }

    // The EMI messages of the host's frames, in hex.
    std::vector<std::string> framesToTheBcu() const {
        std::vector<std::string> messages;
        for (const auto& unit : sim_->hostUnits()) {
            if (unit.kind == bcusim::HostUnitKind::VariableFrame)
                messages.push_back(test::hex(bcusim::emiMessageOf(unit)));
        }
        return messages;
    }

    bool waitForFrameToTheBcu(const std::string& message) const {
        const auto deadline = std::chrono::steady_clock::now() + 3s;
        while (std::ranges::count(framesToTheBcu(), message) == 0) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }

    std::unique_ptr<bcusim::BcuSimulator> sim_;
    std::unique_ptr<ChildProcess> gateway_;
    uint16_t gatewayPort_ = 0;
    uint16_t proxyPort_ = 0;
};

TEST_F(ToolProcessTest, MonitorShowsInjectedTelegramsWithNamesAndValues) {
    startGateway();
    auto monitor = tool({"monitor", "--names", kExport});
    ASSERT_TRUE(gateway_->waitForLine("Socket: connected..", 5s));

    ASSERT_TRUE(sim_->injectGroupWrite(0x0901, 1, bcusim::SIX_BIT_VALUE, 0x110B));
    // 21.3 °C: 2130 halved once is 1065 = 0x429, exponent 1.
    ASSERT_TRUE(sim_->injectGroupWrite(0x1901, 0x0C29, 2, 0x110E));
    // 123456 Wh = 0x0001E240.
    ASSERT_TRUE(sim_->injectGroupWrite(0x2001, 123456, 4, 0x110F));

    EXPECT_TRUE(waitForLineContaining(*monitor,
                                      " indication 1.1.11 -> 1/1/1 \"K\xC3\xBC"
                                      "che Licht\" GroupValue_Write 01 = on [low, hops 6]",
                                      3s))
        << joined(monitor->outputLines());
    EXPECT_TRUE(waitForLineContaining(*monitor,
                                      " indication 1.1.14 -> 3/1/1 \"Wohnzimmer Temperatur\" GroupValue_Write 0C 29 = "
                                      "21.30 \xC2\xB0"
                                      "C [low, hops 6]",
                                      3s))
        << joined(monitor->outputLines());
    EXPECT_TRUE(
        waitForLineContaining(*monitor, "-> 4/0/1 \"Wirkenergie\" GroupValue_Write 00 01 E2 40 = 123456 Wh", 3s))
        << joined(monitor->outputLines());
    const std::regex timeOfDay(R"(^\d\d:\d\d:\d\d\.\d\d\d indication )");
    EXPECT_TRUE(std::regex_search(monitor->outputLines().at(0), timeOfDay)) << monitor->outputLines().at(0);
}

TEST_F(ToolProcessTest, MonitorWritesJsonForScripts) {
    startGateway();
    auto monitor = tool({"monitor", "--json", "--names", kExport});
    ASSERT_TRUE(gateway_->waitForLine("Socket: connected..", 5s));
    ASSERT_TRUE(sim_->injectGroupWrite(0x1901, 0x0C29, 2, 0x110E));
    EXPECT_TRUE(waitForLineContaining(*monitor,
                                      R"("source":"1.1.14","destination":"3/1/1","destination_kind":"group",)"
                                      R"("priority":"low","repeated":false,"hops":6,"service":"GroupValue_Write",)"
                                      R"("tpdu":"00 80 0C 29","data":"0C 29","name":"Wohnzimmer Temperatur",)"
                                      R"("path":"Heizung/Temperaturen/Wohnzimmer Temperatur","dpt":"9.001",)"
                                      R"("value":21.3,)",
                                      3s))
        << joined(monitor->outputLines());
}

TEST_F(ToolProcessTest, WritePutsTheTelegramOnTheLineAndWaitsForItsConfirmation) {
    startGateway();
    auto byName = tool({"write", "--names", kExport,
                        "K\xC3\xBC"
                        "che Licht",
                        "on"});
    EXPECT_EQ(byName->waitForExit(5s), 0) << joined(byName->errorLines());
    EXPECT_EQ(byName->outputLines(), (std::vector<std::string>{"wrote on to 1/1/1 \"K\xC3\xBC"
                                                               "che Licht\""}));
    // L_Data.req, low priority, source 0.0.0 for the BCU to fill in, 1/1/1,
    // group with hop count 6 and one byte, write of 1.
    EXPECT_TRUE(waitForFrameToTheBcu("11 0C 00 00 09 01 E1 00 81"));

    auto temperature = tool({"write", "3/1/1", "21.3", "--dpt", "9.001"});
    EXPECT_EQ(temperature->waitForExit(5s), 0) << joined(temperature->errorLines());
    // What the type reads back from the bytes sent.
    EXPECT_EQ(temperature->outputLines(), (std::vector<std::string>{"wrote 21.30 \xC2\xB0"
                                                                    "C to 3/1/1"}));
    EXPECT_TRUE(waitForFrameToTheBcu("11 0C 00 00 19 01 E3 00 80 0C 29"));
}

TEST_F(ToolProcessTest, WriteOrReadThatTheBcuNeverConfirmsFails) {
    startGateway();
    sim_->setSilent(true);
    for (const char* command : {"write", "read"}) {
        SCOPED_TRACE(command);
        std::vector<std::string> arguments{command, "1/2/3", "--timeout", "0.5"};
        if (std::string_view(command) == "write") arguments.insert(arguments.begin() + 2, "1");
        auto process = tool(arguments);
        EXPECT_EQ(process->waitForExit(5s), 1);
        EXPECT_TRUE(hasLineContaining(process->errorLines(), "no confirmation from the BCU within 0.5 s"))
            << joined(process->errorLines());
    }
}

TEST_F(ToolProcessTest, MistakesAreRefusedBeforeAnythingIsSent) {
    startGateway();
    const size_t framesBefore = framesToTheBcu().size();
    struct Case {
        std::vector<std::string> arguments;
        std::string error;
    };
    for (const Case& c : {
             Case{{"write", "3/1/1", "warm", "--dpt", "9.001"}, "\"warm\""},
             Case{{"write", "3/1/1", "21.5"}, "no datapoint type is known for 3/1/1"},
             Case{{"write", "--names", kExport, "Licht", "on"}, "no group address is named \"Licht\""},
             Case{{"read", "Kitchen"}, "\"Kitchen\" is not a group address"},
             Case{{"monitor", "--names", "/nonexistent/names.csv"}, "cannot read names file /nonexistent/names.csv"},
         }) {
        SCOPED_TRACE(c.error);
        auto process = tool(c.arguments);
        EXPECT_EQ(process->waitForExit(5s), 2);
        EXPECT_TRUE(hasLineContaining(process->errorLines(), c.error)) << joined(process->errorLines());
    }
    EXPECT_EQ(framesToTheBcu().size(), framesBefore);
}

TEST_F(ToolProcessTest, ReadPrintsTheFirstResponse) {
    startGateway(true);
    auto read = tool({"read", "--names", kExport, "Wohnzimmer Temperatur"});
    EXPECT_EQ(read->waitForExit(5s), 0) << joined(read->errorLines());
    ASSERT_EQ(read->outputLines().size(), 1U);
    // The simulated sensor wanders around 21 °C.
    EXPECT_TRUE(std::regex_match(read->outputLines()[0], std::regex("^(19|2[0-3])\\.[0-9][0-9] \xC2\xB0"
                                                                    "C$")))
        << read->outputLines()[0];
    EXPECT_TRUE(waitForFrameToTheBcu("11 0C 00 00 19 01 E1 00 00"));
}

// The same records and values through a cEMI module: the gateway port and
// the proxy see nothing of the difference.
TEST_F(ToolProcessTest, ACemiModuleServesTheGatewayPortAndTheProxyAsABcuDoes) {
    startGateway(true, BusInterface::Cemi);
    auto write = tool({"write", "1/1/1", "on"});
    EXPECT_EQ(write->waitForExit(5s), 0) << joined(write->errorLines());
    // The module's L_Data.req: no additional information, a standard frame
    // at low priority, source 0.0.0, 1/1/1, group with hop count 6, one
    // byte, write of 1.
    EXPECT_TRUE(waitForFrameToTheBcu("11 00 BC E0 00 00 09 01 01 00 81"));

    auto read = tool({"read", "3/1/1", "--dpt", "9.001"});
    EXPECT_EQ(read->waitForExit(5s), 0) << joined(read->errorLines());
    ASSERT_EQ(read->outputLines().size(), 1U);

    auto watch = tool({"watch", "--names", kExport}, proxyPort_);
    ASSERT_TRUE(gateway_->waitForLine("Socket: proxy connected..", 5s));
    ASSERT_TRUE(sim_->injectGroupWrite(0x1901, 0x0C29, 2, 0x110E));
    EXPECT_TRUE(waitForLineContaining(*watch,
                                      " 3/1/1 \"Wohnzimmer Temperatur\" = 21.30 \xC2\xB0"
                                      "C",
                                      4s))
        << joined(watch->outputLines());
}

TEST_F(ToolProcessTest, ReadWithoutAResponseEndsAfterItsTimeout) {
    startGateway(true);
    auto read = tool({"read", "1/2/5", "--timeout", "0.5"});
    EXPECT_EQ(read->waitForExit(5s), 3);
    EXPECT_EQ(read->errorLines(), (std::vector<std::string>{"lintor-tool: no response from 1/2/5 within 0.5 s"}));
}

TEST_F(ToolProcessTest, WatchDecodesTheProxysGroupValues) {
    startGateway();
    auto watch = tool({"watch", "--names", kExport}, proxyPort_);
    ASSERT_TRUE(gateway_->waitForLine("Socket: proxy connected..", 5s));
    ASSERT_TRUE(sim_->injectGroupWrite(0x1901, 0x0C29, 2, 0x110E));
    EXPECT_TRUE(waitForLineContaining(*watch,
                                      " 3/1/1 \"Wohnzimmer Temperatur\" = 21.30 \xC2\xB0"
                                      "C",
                                      4s))
        << joined(watch->outputLines());
}

// The simulated line's devices (1.1.11-1.1.15), whose serial numbers are
// 7FFE, two zero bytes, and their address. Every telegram costs the
// gateway's 200 ms pacing, so the scan is kept short.
TEST_F(ToolProcessTest, DeviceCommandsOnTheSimulatedLine) {
    startGateway();
    const std::string timeout = "0.5";
    auto devices = tool({"devices", "1.1.10-16", "--timeout", timeout});
    EXPECT_EQ(devices->waitForExit(30s), 0) << joined(devices->errorLines());
    EXPECT_EQ(devices->outputLines(),
              (std::vector<std::string>{
                  "1.1.11 mask 0705 System 7, programming mode off, serial number 7FFE:0000110B",
                  "1.1.12 mask 0705 System 7, programming mode off, serial number 7FFE:0000110C",
                  "1.1.13 mask 0012 BCU 1, programming mode off",
                  "1.1.14 mask 0020 BCU 2, programming mode off, serial number 7FFE:0000110E",
                  "1.1.15 mask 0705 System 7, programming mode off, serial number 7FFE:0000110F",
              }));

    auto nobody = tool({"progmode", "--timeout", timeout});
    EXPECT_EQ(nobody->waitForExit(5s), 3);

    sim_->setProgrammingMode(0x110C, true);
    auto info = tool({"info", "1.1.12", "--json", "--timeout", timeout});
    EXPECT_EQ(info->waitForExit(10s), 0) << joined(info->errorLines());
    EXPECT_EQ(info->outputLines(),
              (std::vector<std::string>{R"({"address":"1.1.12","mask_version":"0705","family":"System 7",)"
                                        R"("programming_mode":true,"serial_number":"7FFE:0000110C",)"
                                        R"("manufacturer":"0x7FFE"})"}));

    auto taken = tool({"set-address", "1.1.14", "--timeout", timeout});
    EXPECT_EQ(taken->waitForExit(10s), 4);
    EXPECT_EQ(taken->errorLines(), (std::vector<std::string>{"lintor-tool: 1.1.14 is taken: a device answers there"}));

    auto given = tool({"set-address", "1.1.20", "--timeout", timeout});
    EXPECT_EQ(given->waitForExit(10s), 0) << joined(given->errorLines());
    EXPECT_EQ(given->outputLines(),
              (std::vector<std::string>{"gave 1.1.20 to the device in programming mode (it had 1.1.12)"}));
    const auto states = sim_->devices();
    EXPECT_EQ(std::ranges::count(states, uint16_t{0x1114}, &bcusim::SimulatedLine::DeviceState::address), 1);

    sim_->setProgrammingMode(0x110D, true);
    auto listed = tool({"progmode", "--timeout", timeout});
    EXPECT_EQ(listed->waitForExit(5s), 0) << joined(listed->errorLines());
    auto sorted = listed->outputLines();
    std::ranges::sort(sorted);
    EXPECT_EQ(sorted, (std::vector<std::string>{"1.1.13", "1.1.20"}));
    auto several = tool({"set-address", "1.1.21", "--timeout", timeout});
    EXPECT_EQ(several->waitForExit(5s), 4);
}

TEST(ToolProcess, ConnectionRefusedSaysWhatToCheck) {
    const uint16_t port = unusedPort();
    ChildProcess monitor(LINTOR_TOOL_BINARY, {"monitor", "--port", std::to_string(port)});
    EXPECT_EQ(monitor.waitForExit(5s), 1);
    EXPECT_EQ(monitor.errorLines(),
              (std::vector<std::string>{"lintor-tool: cannot connect to 127.0.0.1:" + std::to_string(port) +
                                        ": connection refused \u2014 is lintord running?"}));
}

}  // namespace
}  // namespace lintor
