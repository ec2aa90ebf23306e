// Peers from outside the project on the simulator's pty: knxd's FT1.2
// drivers for a BCU 2 and for a cEMI module, and knxultimate's serial
// transport for kBerry modules.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/bytes.h"
#include "tests/support/child_process.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor::bcusim {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;
using test::hex;
using test::joined;
using test::waitForLineContaining;

// CI must have them, a developer may not.
bool peerAvailable(const std::string& path) {
    if (std::filesystem::exists(path)) return true;
    const char* required = std::getenv("LINTOR_KNXIP_PEERS");
    if (required != nullptr && std::string(required) == "required") ADD_FAILURE() << path << " is missing";
    return false;
}

std::unique_ptr<BcuSimulator> startSimulator(BusInterface interface) {
    Options options;
    options.interface = interface;
    return BcuSimulator::start(options).take();
}

// Until the host has sent this message (in hex) in a frame.
bool waitForMessage(const BcuSimulator& sim, const std::string& message) {
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const HostUnit& unit : sim.hostUnits()) {
            if (hex(emiMessageOf(unit)) == message) return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

struct KnxdCase {
    const char* driver;
    BusInterface interface;
    // knxd's group write of 1 to 1/2/3, hop count 5: from 0.0.0 on EMI, where
    // the BCU fills in its own address, and from its client 0.0.2 on cEMI.
    const char* request;

    friend void PrintTo(const KnxdCase& c, std::ostream* os) { *os << c.driver; }
};

class KnxdOnTheSimulator : public ::testing::TestWithParam<KnxdCase> {};

TEST_P(KnxdOnTheSimulator, WritesAndHearsGroupValues) {
    if (!peerAvailable("/usr/bin/knxd") || !peerAvailable("/usr/bin/knxtool")) GTEST_SKIP() << "knxd is not installed";
    const auto sim = startSimulator(GetParam().interface);
    char directory[] = "/tmp/lintor-knxd-XXXXXX";
    ASSERT_NE(::mkdtemp(directory), nullptr);
    const std::string socketPath = std::string(directory) + "/knx.sock";
    const std::string url = "local:" + socketPath;
    ChildProcess knxd("/usr/bin/knxd", {"-e", "0.0.1", "-E", "0.0.2:8", "-u", socketPath, "-b",
                                        std::string(GetParam().driver) + ":" + sim->devicePath()});
    const auto socketDeadline = std::chrono::steady_clock::now() + 5s;
    while (!std::filesystem::exists(socketPath) && std::chrono::steady_clock::now() < socketDeadline) {
        std::this_thread::sleep_for(50ms);
    }

    ChildProcess write("/usr/bin/knxtool", {"groupswrite", url, "1/2/3", "1"});
    EXPECT_EQ(write.waitForExit(5s), 0);
    EXPECT_TRUE(waitForMessage(*sim, GetParam().request)) << joined(knxd.errorLines());

    ChildProcess listen("/usr/bin/knxtool", {"groupsocketlisten", url});
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(sim->injectGroupWrite(0x0901, 1, SIX_BIT_VALUE, 0x110B));
    EXPECT_TRUE(waitForLineContaining(listen, "Write from 1.1.11 to 1/1/1: 01", 5s)) << joined(listen.outputLines());

    knxd.sendSignal(SIGTERM);
    EXPECT_TRUE(knxd.waitForExit(5s));
    std::filesystem::remove_all(directory);
}

INSTANTIATE_TEST_SUITE_P(Drivers, KnxdOnTheSimulator,
                         ::testing::Values(KnxdCase{"ft12", BusInterface::Emi, "11 0C 00 00 0A 03 D1 00 81"},
                                           KnxdCase{"ft12cemi", BusInterface::Cemi,
                                                    "11 00 BC D0 00 02 0A 03 01 00 81"}),
                         [](const auto& test) { return std::string(test.param.driver); });

// Plain, and as for a kBerry: a BAOS request and a write of an object the
// module lacks first, which it refuses.
class KnxUltimateOnTheSimulator : public ::testing::TestWithParam<std::string> {};

TEST_P(KnxUltimateOnTheSimulator, WritesAndHearsGroupValuesThroughACemiModule) {
    const std::string npmDir = LINTOR_NPM_DIR;
    if (!peerAvailable("/usr/bin/node") || !peerAvailable(npmDir + "/node_modules/knxultimate")) {
        GTEST_SKIP() << "run npm ci in tests/knxip first";
    }
    const auto sim = startSimulator(BusInterface::Cemi);
    ChildProcess client("/usr/bin/node",
                        {LINTOR_TOOLS_TEST_DIR "/knxultimate_serial.mjs", npmDir, sim->devicePath(), GetParam()}, true);
    ASSERT_TRUE(client.waitForLine("connected", 10s)) << joined(client.errorLines());

    ASSERT_TRUE(client.writeLine("write 1/2/3 1"));
    // From its address 1.1.200 at low priority with the acknowledgement
    // asked for, hop count 6.
    EXPECT_TRUE(waitForMessage(*sim, "11 00 BE E0 11 C8 0A 03 01 00 81")) << joined(client.errorLines());
    ASSERT_TRUE(sim->injectGroupWrite(0x0901, 1, SIX_BIT_VALUE, 0x110B));
    EXPECT_TRUE(waitForLineContaining(client, "indication 1/1/1 1.1.11 01", 5s)) << joined(client.errorLines());
    client.closeInput();
    EXPECT_EQ(client.waitForExit(5s), 0);
}

INSTANTIATE_TEST_SUITE_P(Modules, KnxUltimateOnTheSimulator, ::testing::Values("plain", "kberry"),
                         [](const auto& test) { return test.param; });

}  // namespace
}  // namespace lintor::bcusim
