// The composition root end to end: the simulated BCU on a pty, the real link
// worker, real TCP clients on loopback, Qt's event loop on the test thread.
#include "app/gateway_core.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>

#include "app/device_setting.h"
#include "app/status_texts.h"
#include "platform/serial_port.h"
#include "tests/support/bytes.h"
#include "tests/support/event_loop.h"
#include "tests/support/loopback_config.h"
#include "tests/support/recording_ui.h"
#include "tests/support/tcp_client.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using test::bytes;
using test::hex;
using test::processEventsUntil;
using test::TcpClient;

using test::RecordingUi;

GatewayConfig configFor(const std::string& device, uint16_t gatewayPort = 0) {
    return test::loopbackConfig(device, gatewayPort);
}

class GatewayCoreTest : public test::LoopTest {
protected:
    void SetUp() override {
        sim = bcusim::BcuSimulator::start({}).take();
        core = std::make_unique<GatewayCore>(loop(), ui, settings, opener, configFor(sim->devicePath()));
        core->start();
    }

    uint16_t port() const { return core->gateway()->port(); }
    // Connected, and the BCU's own address read after it: what the line
    // carries from then on is the test's.
    bool waitUntilConnectedToBcu() {
        return processEventsUntil(
            [&] { return ui.last(StatusField::Bcu) == "connected to BCU" && !ui.bcuAddress.empty(); }, 5s);
    }
    std::vector<std::string> hostFrames() const {
        std::vector<std::string> out;
        for (const auto& unit : sim->hostUnits()) {
            if (unit.kind != bcusim::HostUnitKind::Ack) out.push_back(hex(unit.bytes));
        }
        return out;
    }

    std::unique_ptr<bcusim::BcuSimulator> sim;
    RecordingUi ui;
    MemorySettingsStore settings;
    SerialPortOpener opener;
    std::unique_ptr<GatewayCore> core;
};

const std::vector<uint8_t> kSwitchOn = bytes("29 BC 11 01 0A 03 E1 00 81");
// Its record as a gateway client gets it from the simulator's first frame,
// control byte F3, and from its second, D3: the checksums differ.
const char* const kSwitchOnRecordF3 = "02 10 0A 00 BC 11 01 0A 03 E1 00 81 59 16";
const char* const kSwitchOnRecordD3 = "02 10 0A 00 BC 11 01 0A 03 E1 00 81 39 16";

TEST_F(GatewayCoreTest, StartsOfflineAndReachesConnectedToBcu) {
    EXPECT_EQ(ui.statuses[StatusField::Bcu], std::vector<std::string>{"offline.."});
    EXPECT_EQ(ui.statuses[StatusField::Socket], std::vector<std::string>{"waiting.."});
    EXPECT_EQ(ui.counters, (std::map<CounterField, int32_t>{{CounterField::AckSent, 0}}));
    ASSERT_TRUE(waitUntilConnectedToBcu());
    EXPECT_EQ(ui.statuses[StatusField::Bcu], (std::vector<std::string>{"offline..", "reset..", "PEI_switch..",
                                                                       "set Addr-Table..", "connected to BCU"}));
    EXPECT_EQ(ui.bcuAddress, "1.1.250");
    EXPECT_EQ(hostFrames().back(), "68 05 05 68 73 AC 02 01 17 39 16") << "PC_Get_Value.req of 0x0117, 2 bytes";
    ASSERT_TRUE(processEventsUntil([&] { return ui.refreshes > 0; }, 2s));
    // Three steps and the address read acknowledged; four frames and the
    // acknowledgement of the BCU's answer written.
    EXPECT_EQ(ui.counters[CounterField::AckReceived], 4);
    EXPECT_EQ(ui.counters[CounterField::PortWrites], 5);
    EXPECT_EQ(ui.counters.size(), 4u);
}

TEST_F(GatewayCoreTest, TelegramReachesEveryClientByteForByte) {
    ASSERT_TRUE(waitUntilConnectedToBcu());
    TcpClient a(port());
    TcpClient b(port());
    ASSERT_TRUE(processEventsUntil([&] { return core->gateway()->clientCount() == 2; }, 2s));
    EXPECT_EQ(ui.last(StatusField::Socket), "connected..");

    // The BCU's answer to the address read was its first frame: F3; this is D3.
    sim->injectIndication(kSwitchOn);
    EXPECT_EQ(hex(a.receive(14, 3s)), kSwitchOnRecordD3);
    EXPECT_EQ(hex(b.receive(14, 3s)), kSwitchOnRecordD3);

    a.close();
    ASSERT_TRUE(processEventsUntil([&] { return ui.last(StatusField::Socket) == "connection closed"; }, 2s));
}

TEST_F(GatewayCoreTest, BcuAcknowledgementsAndUnmatchedTelegramsReachNoClient) {
    ASSERT_TRUE(waitUntilConnectedToBcu());
    TcpClient client(port());
    ASSERT_TRUE(processEventsUntil([&] { return core->gateway()->clientCount() == 1; }, 2s));

    sim->injectRaw({0xE5});
    sim->injectIndication(bytes("29 BC 11 01 0A 03 E1 03 00"));  // unnumbered A_DeviceDescriptor_Read
    sim->injectIndication(kSwitchOn);
    // The third of the simulator's frames, after its answer to the address
    // read, carries F3.
    EXPECT_EQ(hex(client.receive(14, 3s)), kSwitchOnRecordF3);
    EXPECT_TRUE(client.receiveFor(300ms).empty());
}

TEST_F(GatewayCoreTest, ClientRecordGoesToTheLineWholeOrInPieces) {
    ASSERT_TRUE(waitUntilConnectedToBcu());
    TcpClient client(port());
    const auto record = bytes("10 80 09 00 11 0C 11 FF 0A 03 E1 00 81");
    ASSERT_TRUE(client.send(record));
    ASSERT_TRUE(processEventsUntil([&] { return hostFrames().size() == 5; }, 3s));
    EXPECT_EQ(hostFrames()[4], "68 0A 0A 68 53 11 0C 11 FF 0A 03 E1 00 81 EF 16");

    for (const uint8_t b : record) {
        ASSERT_TRUE(client.send(std::vector<uint8_t>{b}));
        test::processEventsFor(2ms);
    }
    ASSERT_TRUE(processEventsUntil([&] { return hostFrames().size() == 6; }, 3s));
    EXPECT_EQ(hostFrames()[5], "68 0A 0A 68 73 11 0C 11 FF 0A 03 E1 00 81 0F 16");
}

TEST_F(GatewayCoreTest, OversizedClientRecordIsDroppedAndTheNextStillGoesOut) {
    ASSERT_TRUE(waitUntilConnectedToBcu());
    TcpClient client(port());
    std::vector<uint8_t> oversized = bytes("10 80 40 00");
    oversized.resize(4 + 0x40, 0x11);
    ASSERT_TRUE(client.send(oversized));
    ASSERT_TRUE(client.send(bytes("00 80 04 00 10 40 40 16")));
    ASSERT_TRUE(processEventsUntil([&] { return hostFrames().size() == 5; }, 3s));
    EXPECT_EQ(hostFrames()[4], "10 40 40 16");
}

TEST_F(GatewayCoreTest, ClientThatNeverReadsDoesNotDelayOthers) {
    ASSERT_TRUE(waitUntilConnectedToBcu());
    TcpClient sleeper(port(), 2048);
    TcpClient reader(port());
    ASSERT_TRUE(processEventsUntil([&] { return core->gateway()->clientCount() == 2; }, 2s));
    constexpr int kTelegrams = 200;
    for (int i = 0; i < kTelegrams; ++i) {
        ASSERT_TRUE(sim->injectGroupWrite(static_cast<uint16_t>(0x0800 + i), static_cast<uint32_t>(i), 2));
    }
    const auto received = reader.receive(kTelegrams * 16, 20s);
    EXPECT_EQ(received.size(), kTelegrams * 16u);
}

// A group write to 1/2/N as a gateway client's record.
std::vector<uint8_t> groupWriteTo(uint8_t n) {
    return bytes("10 80 09 00 11 0C 11 FF 0A " + hex(std::span<const uint8_t>(&n, 1)) + " E1 00 81");
}

TEST_F(GatewayCoreTest, FloodingClientIsHeldBackLosesNothingAndLetsAnotherIn) {
    ASSERT_TRUE(waitUntilConnectedToBcu());
    TcpClient flooder(port());
    TcpClient polite(port());
    ASSERT_TRUE(processEventsUntil([&] { return core->gateway()->clientCount() == 2; }, 2s));
    // More than the flooder's queue holds, in one piece.
    constexpr uint8_t kFlood = DownlinkQueues::SOURCE_LIMIT + 4;
    // The first piece ends where the queue fills: the rest must wait all the same.
    std::vector<uint8_t> flood;
    for (uint8_t n = 1; n <= kFlood; ++n) {
        std::ranges::copy(groupWriteTo(n), std::back_inserter(flood));
        if (n != DownlinkQueues::SOURCE_LIMIT + 1) continue;
        ASSERT_TRUE(flooder.send(flood));
        flood.clear();
        test::processEventsFor(50ms);
    }
    ASSERT_TRUE(flooder.send(flood));
    ASSERT_TRUE(processEventsUntil([&] { return hostFrames().size() > 4; }, 2s));
    ASSERT_TRUE(polite.send(groupWriteTo(0xEE)));
    ASSERT_TRUE(processEventsUntil([&] { return hostFrames().size() == 4 + kFlood + 1; }, 10s));
    std::vector<int> order;
    for (size_t i = 4; i < hostFrames().size(); ++i) order.push_back(bytes(hostFrames()[i])[10]);
    // The polite write after at most one more of the flooder's, then the
    // flood in order.
    const auto politeAt = std::ranges::find(order, 0xEE) - order.begin();
    EXPECT_LE(politeAt, 2) << testing::PrintToString(order);
    std::erase(order, 0xEE);
    std::vector<int> flooded(kFlood);
    std::iota(flooded.begin(), flooded.end(), 1);
    EXPECT_EQ(order, flooded);
}

TEST_F(GatewayCoreTest, SecondGatewayOnTheSamePortReportsTheError) {
    RecordingUi otherUi;
    MemorySettingsStore otherSettings;
    GatewayCore second(loop(), otherUi, otherSettings, opener, configFor("/dev/lintor-none", port()));
    second.start();
    ASSERT_TRUE(processEventsUntil([&] { return otherUi.messages.size() == 2; }, 2s));
    EXPECT_EQ(otherUi.messages, (std::vector<std::string>{"Socket.Create failed 98", "invalid COM port"}));
}

TEST_F(GatewayCoreTest, GroupTelegramReachesProxyClientsWithinATick) {
    ASSERT_TRUE(waitUntilConnectedToBcu());
    TcpClient client(core->proxy()->port());
    ASSERT_TRUE(processEventsUntil([&] { return ui.last(StatusField::Socket) == "proxy connected.."; }, 2s));
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_TRUE(sim->injectGroupWrite(0x0A03, 1, 0));
    const std::string line = R"(<ProxyInfo GA="1/2/3" Type="Bit" Value="1">)";
    const auto received = client.receive(line.size(), 2s);
    EXPECT_EQ(std::string(received.begin(), received.end()), line);
    EXPECT_LE(std::chrono::steady_clock::now() - sent, 1100ms);
    EXPECT_EQ(core->proxy()->table().count(), 1);
}

TEST_F(GatewayCoreTest, SetGaRequestReachesTheLineAsGroupWrite) {
    ASSERT_TRUE(waitUntilConnectedToBcu());
    TcpClient client(core->proxy()->port());
    ASSERT_TRUE(client.send(std::string(R"(<SetGA GA="1/2/3" Type="EIS1" Value="1">)")));
    ASSERT_TRUE(processEventsUntil([&] { return hostFrames().size() == 5; }, 3s));
    EXPECT_EQ(hostFrames()[4], "68 0A 0A 68 53 11 0C 11 FF 0A 03 E1 00 81 EF 16");
}

TEST_F(GatewayCoreTest, OnlyGroupValueRecordsTouchTheTable) {
    ASSERT_TRUE(waitUntilConnectedToBcu());
    TcpClient client(port());
    ASSERT_TRUE(processEventsUntil([&] { return core->gateway()->clientCount() == 1; }, 2s));
    sim->injectIndication(bytes("29 BC 11 01 11 02 61 43 00"));  // A_DeviceDescriptor_Read, not a group telegram
    sim->injectIndication(kSwitchOn);
    ASSERT_EQ(client.receive(14 + 14, 3s).size(), 28u);
    EXPECT_EQ(core->proxy()->table().count(), 1);
    EXPECT_EQ(core->proxy()->table().entry(0).groupAddress, 0x0A03);
}

TEST_F(GatewayCoreTest, ShutdownWritesComPortBack) {
    core.reset();
    settings.writeInt("settings", "ComPort", 4);
    core = std::make_unique<GatewayCore>(loop(), ui, settings, opener, configFor(sim->devicePath()));
    core->start();
    settings.writeInt("settings", "ComPort", 99);  // read once, at the start
    core.reset();
    EXPECT_EQ(settings.readInt("settings", "ComPort", 0), 4);
}

TEST(DeviceSetting, CommandLineThenDeviceThenComPort) {
    MemorySettingsStore settings;
    EXPECT_EQ(readDeviceSetting(settings, "").device, "/dev/ttyS0");
    EXPECT_EQ(readDeviceSetting(settings, "").comPort, 1);
    settings.writeInt("settings", "ComPort", 3);
    EXPECT_EQ(readDeviceSetting(settings, "").device, "/dev/ttyS2");
    settings.writeString("settings", "Device", "/dev/ttyUSB0");
    EXPECT_EQ(readDeviceSetting(settings, "").device, "/dev/ttyUSB0");
    const auto fromCommandLine = readDeviceSetting(settings, "/dev/pts/7");
    EXPECT_EQ(fromCommandLine.device, "/dev/pts/7");
    EXPECT_EQ(fromCommandLine.comPort, 3);
    for (const int number : {0, -4}) {
        MemorySettingsStore other;
        other.writeInt("settings", "ComPort", number);
        EXPECT_EQ(readDeviceSetting(other, "").device, "") << number;
    }
}

TEST(StatusTexts, ListenFailuresNameTheStepAndTheError) {
    EXPECT_EQ(listenFailedText(ListeningSocket::Failure::Create, 98), "Socket.Create failed 98");
    EXPECT_EQ(listenFailedText(ListeningSocket::Failure::Listen, 98), "Socket.Listen failed");
}

}  // namespace
}  // namespace lintor
