// The KNXnet/IP server of the real lintord on a simulated BCU, reached by a
// raw UDP client of the test's own and by knxd's tunnelling driver.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/udp_socket.h"
#include "tests/support/bytes.h"
#include "tests/support/child_process.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using test::bytes;
using test::ChildProcess;
using test::hasLineContaining;
using test::hex;
using test::joined;
using test::portFrom;
using test::waitForLineContaining;

constexpr uint32_t kLoopback = 0x7F000001;

// Peers from outside this project: CI must have them, a developer may not.
bool peerAvailable(const std::string& path) {
    if (std::filesystem::exists(path)) return true;
    const char* required = std::getenv("LINTOR_KNXIP_PEERS");
    if (required != nullptr && std::string(required) == "required") ADD_FAILURE() << path << " is missing";
    return false;
}

// A UDP socket on loopback that sends requests and waits for answers.
class RawClient {
public:
    RawClient() : socket_(bindUdp("127.0.0.1", 0).take()) {}

    void send(uint16_t port, const std::string& datagram) {
        ASSERT_TRUE(sendDatagram(socket_.get(), {kLoopback, port}, bytes(datagram)).ok());
    }
    // The next datagram in hex, or "" after the time-out.
    std::string receive(std::chrono::milliseconds timeout = 2s) {
        pollfd ready{socket_.get(), POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(timeout.count())) != 1) return {};
        std::vector<uint8_t> buffer(512);
        const auto received = receiveDatagram(socket_.get(), buffer);
        if (!received.ok()) return {};
        buffer.resize(received.value().size);
        return hex(buffer);
    }

private:
    UniqueFd socket_;
};

class KnxIpProcessTest : public ::testing::Test {
protected:
    void startGateway(std::vector<std::string> extra = {}, bool demo = false, bool silent = false,
                      BusInterface interface = BusInterface::Emi) {
        bcusim::Options options;
        options.demo = demo;
        options.interface = interface;
        extra.insert(extra.end(), {"--interface", std::string(busInterfaceName(interface))});
        sim_ = bcusim::BcuSimulator::start(options).take();
        sim_->setSilent(silent);
        std::vector<std::string> arguments{
            "--device", sim_->devicePath(), "--gateway-port", "0",           "--proxy-port", "0", "--knxip-port", "0",
            "--listen", "127.0.0.1",        "--knxip-name",   "Test gateway"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        gateway_ = std::make_unique<ChildProcess>(LINTORD_BINARY, arguments);
        knxipPort_ = portFrom(gateway_->waitForLine("KNXnet/IP port: ", 5s));
        ASSERT_NE(knxipPort_, 0);
        if (!silent) {
            ASSERT_TRUE(gateway_->waitForLine("BCU: connected to BCU", 5s));
        }
    }

    void knxdTunnelsThroughToTheBus(BusInterface interface);

    // Until the host has sent the BCU this EMI message (in hex; cEMI for a
    // module).
    bool waitForFrameToTheBcu(const std::string& message) const {
        const auto deadline = std::chrono::steady_clock::now() + 5s;  // a loaded machine paces slower
        for (;;) {
            for (const auto& unit : sim_->hostUnits()) {
                if (unit.kind == bcusim::HostUnitKind::VariableFrame && hex(bcusim::emiMessageOf(unit)) == message) {
                    return true;
                }
            }
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(20ms);
        }
    }

    std::unique_ptr<bcusim::BcuSimulator> sim_;
    std::unique_ptr<ChildProcess> gateway_;
    uint16_t knxipPort_ = 0;
};

TEST_F(KnxIpProcessTest, RawClientIsDescribedConnectedAndHeard) {
    startGateway();
    RawClient client;
    client.send(knxipPort_, "06 10 02 03 00 0E 08 01 00 00 00 00 00 00");
    const std::string description = client.receive();
    // "Test gateway" in the friendly name field.
    EXPECT_NE(description.find("54 65 73 74 20 67 61 74 65 77 61 79 00"), std::string::npos) << description;

    client.send(knxipPort_, "06 10 02 05 00 1A 08 01 00 00 00 00 00 00 08 01 00 00 00 00 00 00 04 04 02 00");
    const std::string connected = client.receive();
    ASSERT_EQ(connected.substr(0, 23), "06 10 02 06 00 14 01 00") << connected;
    // The tunnel has the BCU's own address, the simulator's 1.1.250.
    EXPECT_EQ(connected.substr(connected.size() - 11), "04 04 11 FA");
    EXPECT_TRUE(waitForLineContaining(*gateway_, "KNXnet/IP: tunnel 1 connected from 127.0.0.1:", 2s));

    client.send(knxipPort_, "06 10 04 20 00 15 04 01 00 00 11 00 BC E0 00 00 0A 03 01 00 81");
    EXPECT_EQ(client.receive(), "06 10 04 21 00 0A 04 01 00 00");
    EXPECT_TRUE(waitForFrameToTheBcu("11 0C 11 FA 0A 03 E1 00 81"));
    // The simulator confirms: L_Data.con in our first request to the client.
    EXPECT_EQ(client.receive(), "06 10 04 20 00 15 04 01 00 00 2E 00 BC E0 11 FA 0A 03 01 00 81");
    client.send(knxipPort_, "06 10 04 21 00 0A 04 01 00 00");

    ASSERT_TRUE(sim_->injectGroupWrite(0x0901, 1, bcusim::SIX_BIT_VALUE, 0x110B));
    EXPECT_EQ(client.receive(), "06 10 04 20 00 15 04 01 01 00 29 00 BC E0 11 0B 09 01 01 00 81");

    client.send(knxipPort_, "06 10 02 09 00 10 01 00 08 01 00 00 00 00 00 00");
    EXPECT_EQ(client.receive(), "06 10 02 0A 00 08 01 00");
    EXPECT_TRUE(waitForLineContaining(*gateway_, "KNXnet/IP: tunnel 1 closed", 2s));
}

TEST_F(KnxIpProcessTest, AnswersComeFromTheAddressThatWasAsked) {
    startGateway({"--knxip-listen", "0.0.0.0"});
    // Connected to 127.0.0.2, the socket takes datagrams from there only.
    UniqueFd client = bindUdp("127.0.0.1", 0).take();
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(knxipPort_);
    server.sin_addr.s_addr = htonl(0x7F000002);
    ASSERT_EQ(::connect(client.get(), reinterpret_cast<const sockaddr*>(&server), sizeof server), 0);
    const auto connect = bytes("06 10 02 05 00 1A 08 01 00 00 00 00 00 00 08 01 00 00 00 00 00 00 04 04 02 00");
    ASSERT_EQ(::send(client.get(), connect.data(), connect.size(), 0), static_cast<ssize_t>(connect.size()));
    pollfd ready{client.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&ready, 1, 2000), 1);
    std::vector<uint8_t> answer(64);
    const ssize_t n = ::recv(client.get(), answer.data(), answer.size(), 0);
    ASSERT_GT(n, 0);
    answer.resize(static_cast<size_t>(n));
    // The data endpoint it names is that address too.
    char port[8];
    std::snprintf(port, sizeof port, "%02X %02X", knxipPort_ >> 8, knxipPort_ & 0xFF);
    EXPECT_EQ(hex(answer), "06 10 02 06 00 14 01 00 08 01 7F 00 00 02 " + std::string(port) + " 04 04 11 FA");

    // A stray datagram from the same host to another of our addresses
    // changes nothing for the tunnel: its telegrams still come from 127.0.0.2.
    RawClient stray;
    stray.send(knxipPort_, "06 10");
    ASSERT_TRUE(sim_->injectGroupWrite(0x0901, 1, bcusim::SIX_BIT_VALUE, 0x110B));
    ASSERT_EQ(::poll(&ready, 1, 2000), 1);
    answer.resize(64);
    const ssize_t m = ::recv(client.get(), answer.data(), answer.size(), 0);
    ASSERT_GT(m, 0);
    answer.resize(static_cast<size_t>(m));
    EXPECT_EQ(hex(answer), "06 10 04 20 00 15 04 01 00 00 29 00 BC E0 11 0B 09 01 01 00 81");
}

TEST_F(KnxIpProcessTest, AddressesLeftOutOfTheAllowListHearNothing) {
    startGateway({"--allow", "192.0.2.0/24"});
    RawClient client;
    client.send(knxipPort_, "06 10 02 03 00 0E 08 01 00 00 00 00 00 00");
    EXPECT_EQ(client.receive(500ms), "");
}

// What a tunnel client hears within the time, each tunnelling request
// acknowledged as it comes.
std::vector<std::string> hearOnTunnel(RawClient& client, uint16_t port, std::chrono::milliseconds time) {
    std::vector<std::string> heard;
    const auto until = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < until) {
        const std::string datagram = client.receive(100ms);
        if (datagram.empty() || datagram.substr(0, 11) != "06 10 04 20") continue;
        heard.push_back(datagram);
        // Channel and sequence number, as the request gave them.
        client.send(port, "06 10 04 21 00 0A 04 " + datagram.substr(21, 5) + " 00");
    }
    return heard;
}

bool anyContains(const std::vector<std::string>& heard, const std::string& part) {
    return std::ranges::any_of(heard, [&](const std::string& d) { return d.find(part) != std::string::npos; });
}

// A tunnel, answered where the request came from.
constexpr const char* kConnectFromHere =
    "06 10 02 05 00 1A 08 01 00 00 00 00 00 00 08 01 00 00 00 00 00 00 04 04 02 00";
// cEMI L_Data.req from 0.0.0 to 1.1.11 (individual, hop count 6): T_Connect,
// then A_DeviceDescriptor_Read in T_Data_Connected number 0.
constexpr const char* kConnectTo1111 = "11 00 B0 60 00 00 11 0B 00 80";
constexpr const char* kDescriptorReadOf1111 = "11 00 B0 60 00 00 11 0B 01 43 00";
// The device's answer in an L_Data.ind: from 1.1.11 to the BCU's 1.1.250,
// three bytes: its T_Data_Connected number 0 with mask version 0705.
constexpr const char* kDescriptorAnswer = "11 0B 11 FA 03 43 40 07 05";

TEST_F(KnxIpProcessTest, ADevicesAnswerReachesOnlyTheTunnelTalkingToIt) {
    startGateway();
    RawClient tool;
    RawClient bystander;
    for (RawClient* client : {&tool, &bystander}) {
        client->send(knxipPort_, kConnectFromHere);
        ASSERT_NE(client->receive().find("04 04 11 FA"), std::string::npos) << "the BCU's address for each";
    }
    // Channels 1 and 2, in the order they connected.
    tool.send(knxipPort_, "06 10 04 20 00 14 04 01 00 00 " + std::string(kConnectTo1111));
    tool.send(knxipPort_, "06 10 04 20 00 15 04 01 01 00 " + std::string(kDescriptorReadOf1111));
    const auto toolHeard = hearOnTunnel(tool, knxipPort_, 1500ms);
    EXPECT_TRUE(anyContains(toolHeard, kDescriptorAnswer)) << joined(toolHeard);
    const auto bystanderHeard = hearOnTunnel(bystander, knxipPort_, 200ms);
    EXPECT_FALSE(anyContains(bystanderHeard, "11 0B 11 FA")) << joined(bystanderHeard);
}

TEST_F(KnxIpProcessTest, AnswersToATunnelsOwnAddressStayOnTheLine) {
    startGateway({"--knxip-tunnels", "15.15.241:1"});
    RawClient tool;
    tool.send(knxipPort_, kConnectFromHere);
    ASSERT_NE(tool.receive().find("04 04 FF F1"), std::string::npos);
    tool.send(knxipPort_, "06 10 04 20 00 14 04 01 00 00 " + std::string(kConnectTo1111));
    tool.send(knxipPort_, "06 10 04 20 00 15 04 01 01 00 " + std::string(kDescriptorReadOf1111));
    // The device answers 15.15.241, which the BCU does not pass on.
    const auto heard = hearOnTunnel(tool, knxipPort_, 1500ms);
    EXPECT_FALSE(anyContains(heard, "11 0B FF F1")) << joined(heard);
    EXPECT_TRUE(waitForFrameToTheBcu("11 00 FF F1 11 0B 61 43 00"));
}

void KnxIpProcessTest::knxdTunnelsThroughToTheBus(BusInterface interface) {
    if (!peerAvailable("/usr/bin/knxd") || !peerAvailable("/usr/bin/knxtool")) GTEST_SKIP() << "knxd is not installed";
    startGateway({}, false, false, interface);
    char directory[] = "/tmp/lintor-knxd-XXXXXX";
    ASSERT_NE(::mkdtemp(directory), nullptr);
    const std::string socketPath = std::string(directory) + "/knx.sock";
    const std::string url = "local:" + socketPath;
    auto knxd = std::make_unique<ChildProcess>(
        "/usr/bin/knxd", std::vector<std::string>{"-e", "0.0.1", "-E", "0.0.2:8", "-u", socketPath, "-b",
                                                  "ipt:127.0.0.1:" + std::to_string(knxipPort_)});
    ASSERT_TRUE(waitForLineContaining(*gateway_, "KNXnet/IP: tunnel 1 connected from 127.0.0.1:", 10s))
        << joined(gateway_->outputLines());
    const auto socketDeadline = std::chrono::steady_clock::now() + 5s;
    while (!std::filesystem::exists(socketPath) && std::chrono::steady_clock::now() < socketDeadline) {
        std::this_thread::sleep_for(50ms);
    }

    ChildProcess write("/usr/bin/knxtool", {"groupswrite", url, "1/2/3", "1"});
    EXPECT_EQ(write.waitForExit(5s), 0);
    // knxd names its client (0.0.2) as the source, with hop count 5.
    EXPECT_TRUE(waitForFrameToTheBcu(interface == BusInterface::Cemi ? "11 00 BC D0 00 02 0A 03 01 00 81"
                                                                     : "11 0C 00 02 0A 03 D1 00 81"));

    ChildProcess listen("/usr/bin/knxtool", {"groupsocketlisten", url});
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(sim_->injectGroupWrite(0x0901, 1, bcusim::SIX_BIT_VALUE, 0x110B));
    EXPECT_TRUE(waitForLineContaining(listen, "Write from 1.1.11 to 1/1/1: 01", 5s)) << joined(listen.outputLines());

    // knxd leaves without a DISCONNECT_REQUEST; the heartbeat's absence
    // would close the tunnel after two minutes.
    knxd->sendSignal(SIGTERM);
    EXPECT_TRUE(knxd->waitForExit(5s));
    std::filesystem::remove_all(directory);
}

TEST_F(KnxIpProcessTest, KnxdTunnelsThroughToTheBus) { knxdTunnelsThroughToTheBus(BusInterface::Emi); }
TEST_F(KnxIpProcessTest, KnxdTunnelsThroughACemiModule) { knxdTunnelsThroughToTheBus(BusInterface::Cemi); }

// The npm libraries through the line protocol of tests/knxip/client.mjs.
class NpmClientTest : public KnxIpProcessTest, public ::testing::WithParamInterface<std::string> {
protected:
    void connectsWritesReadsHears(BusInterface interface);
};

// A group write of 1 to 1/2/3 as the BCU 2 or the cEMI module gets it from
// the library: knx names 15.15.15 as the source, knxultimate 0.0.0, which
// the tunnel fills in with its address, 1.1.250.
std::string libraryWriteToTheBcu(const std::string& library, BusInterface interface) {
    const std::string source = library == "knx" ? "FF 0F" : "11 FA";
    if (interface == BusInterface::Cemi) return "11 00 BC E0 " + source + " 0A 03 01 00 81";
    return "11 0C " + source + " 0A 03 E1 00 81";
}

void NpmClientTest::connectsWritesReadsHears(BusInterface interface) {
    const std::string driver = LINTOR_KNXIP_TEST_DIR "/client.mjs";
    if (!peerAvailable("/usr/bin/node") || !peerAvailable(LINTOR_KNXIP_TEST_DIR "/node_modules/" + GetParam())) {
        GTEST_SKIP() << "run npm ci in tests/knxip first";
    }
    startGateway({}, true, false, interface);
    ChildProcess client("/usr/bin/node",
                        {driver, "--library", GetParam(), "--host", "127.0.0.1", "--port", std::to_string(knxipPort_)},
                        true);
    ASSERT_TRUE(client.waitForLine("connected", 15s)) << joined(client.errorLines());
    EXPECT_TRUE(waitForLineContaining(*gateway_, "KNXnet/IP: tunnel 1 connected from 127.0.0.1:", 2s));

    ASSERT_TRUE(client.writeLine("write 1/2/3 DPT1 1"));
    EXPECT_TRUE(client.waitForLine("written 1/2/3", 5s)) << joined(client.outputLines());
    EXPECT_TRUE(waitForFrameToTheBcu(libraryWriteToTheBcu(GetParam(), interface))) << [&] {
        std::string all;
        for (const auto& unit : sim_->hostUnits()) all += hex(unit.bytes) + "\n";
        return all;
    }();

    ASSERT_TRUE(client.writeLine("read 3/1/1"));
    EXPECT_TRUE(client.waitForLine("response 3/1/1 1.1.14 ", 5s)) << joined(client.outputLines());

    ASSERT_TRUE(sim_->injectGroupWrite(0x3F07, 1, bcusim::SIX_BIT_VALUE, 0x114D));
    EXPECT_TRUE(waitForLineContaining(client, "indication 7/7/7 1.1.77 01", 5s)) << joined(client.outputLines());

    ASSERT_TRUE(client.writeLine("disconnect"));
    EXPECT_TRUE(client.waitForLine("disconnected", 5s)) << joined(client.outputLines());
    EXPECT_EQ(client.waitForExit(5s), 0);
    EXPECT_TRUE(waitForLineContaining(*gateway_, "KNXnet/IP: tunnel 1 closed", 5s)) << joined(gateway_->outputLines());
}

TEST_P(NpmClientTest, ConnectsWritesReadsHearsAndDisconnects) { connectsWritesReadsHears(BusInterface::Emi); }
TEST_P(NpmClientTest, DoesTheSameThroughACemiModule) { connectsWritesReadsHears(BusInterface::Cemi); }

// How each library words a refusal: the status in its own words.
std::string refusalText(const std::string& library, const std::string& code, const std::string& words) {
    return library == "knx" ? "status 0x" + code : words;
}

TEST_P(NpmClientTest, IsRefusedWhenEveryTunnelIsTakenOrTheBusIsDown) {
    const std::string driver = LINTOR_KNXIP_TEST_DIR "/client.mjs";
    if (!peerAvailable("/usr/bin/node") || !peerAvailable(LINTOR_KNXIP_TEST_DIR "/node_modules/" + GetParam())) {
        GTEST_SKIP() << "run npm ci in tests/knxip first";
    }
    const std::vector<std::string> arguments{driver, "--library", GetParam(), "--host", "127.0.0.1", "--port"};
    startGateway({"--knxip-tunnels", "1.1.241:1"});
    RawClient first;
    first.send(knxipPort_, "06 10 02 05 00 1A 08 01 00 00 00 00 00 00 08 01 00 00 00 00 00 00 04 04 02 00");
    ASSERT_EQ(first.receive().substr(0, 23), "06 10 02 06 00 14 01 00");
    auto withPort = arguments;
    withPort.push_back(std::to_string(knxipPort_));
    ChildProcess refused("/usr/bin/node", withPort, true);
    EXPECT_EQ(refused.waitForExit(15s), 1);
    EXPECT_TRUE(hasLineContaining(refused.outputLines(), refusalText(GetParam(), "24", "No More Connections")))
        << joined(refused.outputLines());
    gateway_->pumpFor(200ms);
    EXPECT_TRUE(hasLineContaining(gateway_->errorLines(), "refused a connection from 127.0.0.1:"))
        << joined(gateway_->errorLines());

    // A BCU that never answers: no tunnel while the bus link is down.
    gateway_.reset();
    startGateway({}, false, true);
    withPort.back() = std::to_string(knxipPort_);
    ChildProcess down("/usr/bin/node", withPort, true);
    EXPECT_EQ(down.waitForExit(15s), 1);
    EXPECT_TRUE(hasLineContaining(down.outputLines(), refusalText(GetParam(), "27", "KNX Connection")))
        << joined(down.outputLines());
}

INSTANTIATE_TEST_SUITE_P(Libraries, NpmClientTest, ::testing::Values("knx", "knxultimate"));

}  // namespace
}  // namespace lintor
