// The real lintor binary, started as a user would start it.
#include <gtest/gtest.h>

#include <signal.h>

#include "tests/support/temporary_dir.h"

#include <fstream>
#include <sstream>

#include "tests/support/bytes.h"
#include "tests/support/child_process.h"
#include "tests/support/tcp_client.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using test::bytes;
using test::ChildProcess;
using test::fileText;
using test::hex;
using test::portFrom;
using test::TcpClient;

class LintorProcessTest : public testing::Test {
protected:
    std::vector<std::string> args(std::vector<std::string> extra) const {
        std::vector<std::string> all{"--headless", "--gateway-port", "0",      "--proxy-port", "0", "--knxip-port",
                                     "0",          "--config",       iniPath()};
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    }
    std::string iniPath() const { return dir.path() + "/lintor.ini"; }

    test::TemporaryDir dir;
};

TEST_F(LintorProcessTest, SimulatedBcuStartsUpServesClientsAndShutsDownOnSigterm) {
    ChildProcess lintor(LINTOR_BINARY, args({"--simulate", "--stats"}));
    ASSERT_TRUE(lintor.waitForLine("Simulated BCU on /dev/", 5s));
    const uint16_t port = portFrom(lintor.waitForLine("Gateway port: ", 5s));
    ASSERT_NE(port, 0);
    ASSERT_NE(portFrom(lintor.waitForLine("Proxy port: ", 5s)), 0);
    ASSERT_TRUE(lintor.waitForLine("BCU: connected to BCU", 5s));

    TcpClient client(port);
    ASSERT_TRUE(lintor.waitForLine("Socket: connected..", 3s));
    // The simulated devices send on their own within a few seconds.
    const auto header = client.receive(4, 15s);
    ASSERT_EQ(header.size(), 4u);
    const auto type = header[0] | header[1] << 8;
    EXPECT_TRUE(type == 0x1002 || type == 0x8800) << std::hex << type;
    EXPECT_TRUE(lintor.waitForLine("Counters: DataMsgs > BCU=", 3s));

    lintor.sendSignal(SIGTERM);
    EXPECT_EQ(lintor.waitForExit(5s), 0);
    EXPECT_NE(fileText(iniPath()).find("ComPort=1"), std::string::npos) << fileText(iniPath());
}

TEST_F(LintorProcessTest, RecordsFlowBothWaysThroughTheDeviceGiven) {
    auto sim = bcusim::BcuSimulator::start({}).take();
    ChildProcess lintor(LINTOR_BINARY, args({"--device", sim->devicePath()}));
    const uint16_t port = portFrom(lintor.waitForLine("Gateway port: ", 5s));
    ASSERT_TRUE(lintor.waitForLine("BCU: connected to BCU", 5s));

    TcpClient client(port);
    ASSERT_TRUE(lintor.waitForLine("Socket: connected..", 3s));
    ASSERT_TRUE(sim->injectGroupWrite(0x0A03, 1, 0));
    // Frame count bit clear: the BCU's answer to the address read came before.
    EXPECT_EQ(hex(client.receive(14, 3s)), "02 10 0A 00 BC 11 01 0A 03 E1 00 81 39 16");

    ASSERT_TRUE(client.send(bytes("10 80 09 00 11 0C 11 FF 0A 03 E1 00 81")));
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    bool sent = false;
    while (!sent && std::chrono::steady_clock::now() < deadline) {
        const auto units = sim->hostUnits();
        // After the start-up and the address read, the count bit is clear.
        for (const auto& unit : units) sent |= hex(unit.bytes) == "68 0A 0A 68 53 11 0C 11 FF 0A 03 E1 00 81 EF 16";
        sim->waitForHostUnits(units.size() + 1, 100ms);
    }
    EXPECT_TRUE(sent);

    lintor.sendSignal(SIGINT);
    EXPECT_EQ(lintor.waitForExit(5s), 0);
}

TEST_F(LintorProcessTest, AdminsSettingsFileIsReadWhateverItsCaseAndNeverRewritten) {
    const std::string text = "; Lintor on the second adapter\n[Settings]\ncomport = 9000\n";
    {
        std::ofstream ini(iniPath());
        ini << text;
    }
    ChildProcess lintor(LINTOR_BINARY, args({}));
    EXPECT_TRUE(lintor.waitForLine("Gateway port: ", 5s));
    EXPECT_TRUE(lintor.waitForErrorLine("invalid COM port", 3s));
    lintor.sendSignal(SIGTERM);
    EXPECT_EQ(lintor.waitForExit(5s), 0);
    bool named = false;
    for (const auto& line : lintor.errorLines()) named |= line.find("/dev/ttyS8999") != std::string::npos;
    EXPECT_TRUE(named) << "COM9000 is /dev/ttyS8999";
    EXPECT_EQ(fileText(iniPath()), text);
}

TEST_F(LintorProcessTest, MissingDeviceIsReportedAndTheGatewayKeepsListening) {
    {
        std::ofstream ini(iniPath());
        ini << "[settings]\nComPort=7\n";
    }
    ChildProcess lintor(LINTOR_BINARY, args({"--device", "/dev/lintor-no-such-device"}));
    const uint16_t port = portFrom(lintor.waitForLine("Gateway port: ", 5s));
    EXPECT_TRUE(lintor.waitForErrorLine("invalid COM port", 3s));
    TcpClient client(port);
    EXPECT_TRUE(lintor.waitForLine("Socket: connected..", 3s));
    lintor.sendSignal(SIGTERM);
    EXPECT_EQ(lintor.waitForExit(5s), 0);
    EXPECT_NE(fileText(iniPath()).find("ComPort=7"), std::string::npos);
}

TEST_F(LintorProcessTest, SecondInstanceOnTheSamePortReportsCreateFailure) {
    ChildProcess first(LINTOR_BINARY, args({"--device", "/dev/lintor-none"}));
    const uint16_t port = portFrom(first.waitForLine("Gateway port: ", 5s));
    ASSERT_NE(port, 0);
    ChildProcess second(LINTOR_BINARY,
                        {"--headless", "--gateway-port", std::to_string(port), "--proxy-port", "0", "--knxip-port", "0",
                         "--config", iniPath() + ".2", "--device", "/dev/lintor-none"});
    EXPECT_TRUE(second.waitForErrorLine("Socket.Create failed 98", 5s));
    second.sendSignal(SIGTERM);
    EXPECT_EQ(second.waitForExit(5s), 0);
}

TEST(LintorCommandLine, HelpVersionAndMistakes) {
    ChildProcess help(LINTOR_BINARY, {"--help"});
    EXPECT_EQ(help.waitForExit(5s), 0);
    ASSERT_FALSE(help.outputLines().empty());
    EXPECT_TRUE(help.outputLines()[0].starts_with("Usage: lintor [--headless]"));

    ChildProcess version(LINTOR_BINARY, {"--version"});
    EXPECT_EQ(version.waitForExit(5s), 0);
    EXPECT_EQ(version.outputLines(), std::vector<std::string>{"Lintor v03.03"});

    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--gateway-port", "70000"}, {"--bogus"}, {"--listen", "example.org"}}) {
        ChildProcess bad(LINTOR_BINARY, wrong);
        EXPECT_EQ(bad.waitForExit(5s), 2) << wrong[0];
    }
}

}  // namespace
}  // namespace lintor
