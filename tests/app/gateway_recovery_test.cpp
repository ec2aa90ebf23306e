// The composition root across faults of the line: unplug and replug, a BCU
// that does not answer its start-up, a BCU that resets itself.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "app/gateway_core.h"
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
using test::processEventsFor;
using test::processEventsUntil;
using test::TcpClient;

const std::vector<std::string> kStartupTexts{"reset..", "PEI_switch..", "set Addr-Table..", "connected to BCU"};
const char* const kResetFrame = "10 40 40 16";
const char* const kPeiSwitchFrame = "68 08 08 68 73 A9 96 18 34 56 78 0A D6 16";
// PC_Get_Value.req of the 2 bytes at 0x0117, the BCU's own address.
const char* const kAddressReadFrame = "68 05 05 68 73 AC 02 01 17 39 16";
const std::vector<uint8_t> kSwitchOn = bytes("29 BC 11 01 0A 03 E1 00 81");

class GatewayRecoveryTest : public test::SimulatedTimeTest {
protected:
    void SetUp() override {
        bcusim::Options options;
        options.linkPath = "/tmp/lintor-recovery-bcu-" + std::to_string(::getpid());
        sim = bcusim::BcuSimulator::start(options).take();
    }
    void startCore() {
        core = std::make_unique<GatewayCore>(loop(), ui, settings, opener, test::loopbackConfig(sim->devicePath()));
        core->start();
    }
    // Connected, and the BCU's own address read after it.
    bool waitUntilConnectedToBcu(std::chrono::milliseconds timeout = 5s) {
        ui.bcuAddress.clear();
        return processEventsUntil(
            [&] { return ui.last(StatusField::Bcu) == "connected to BCU" && !ui.bcuAddress.empty(); }, timeout);
    }
    std::vector<std::string> hostFrames() const {
        std::vector<std::string> out;
        for (const auto& unit : sim->hostUnits()) {
            if (unit.kind != bcusim::HostUnitKind::Ack) out.push_back(hex(unit.bytes));
        }
        return out;
    }
    // The BCU field's texts from the given one on.
    std::vector<std::string> bcuTextsFrom(size_t index) {
        const auto& all = ui.statuses[StatusField::Bcu];
        return {all.begin() + static_cast<ptrdiff_t>(std::min(index, all.size())), all.end()};
    }

    std::unique_ptr<bcusim::BcuSimulator> sim;
    test::RecordingUi ui;
    MemorySettingsStore settings;
    SerialPortOpener opener;
    std::unique_ptr<GatewayCore> core;
};

TEST_F(GatewayRecoveryTest, ClientsConnectedAcrossAReplugGetRecordsAgain) {
    startCore();
    ASSERT_TRUE(waitUntilConnectedToBcu());
    TcpClient client(core->gateway()->port());
    ASSERT_TRUE(processEventsUntil([&] { return core->gateway()->clientCount() == 1; }, 2s));
    const size_t framesBefore = hostFrames().size();
    const size_t textsBefore = ui.statuses[StatusField::Bcu].size();

    sim->hangUp();
    ASSERT_TRUE(processEventsUntil([&] { return ui.last(StatusField::Bcu) == "offline.."; }, 2s));
    // A client's record meanwhile is dropped, not kept for later.
    ASSERT_TRUE(client.send(bytes("10 80 09 00 11 0C 11 FF 0A 03 E1 00 81")));
    processEventsFor(2500ms);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"invalid COM port"});

    sim->replug();
    ASSERT_TRUE(waitUntilConnectedToBcu());
    std::vector<std::string> expectedTexts{"offline.."};
    expectedTexts.insert(expectedTexts.end(), kStartupTexts.begin(), kStartupTexts.end());
    EXPECT_EQ(bcuTextsFrom(textsBefore), expectedTexts);
    const auto frames = hostFrames();
    ASSERT_EQ(frames.size(), framesBefore + 4);
    EXPECT_EQ(frames[framesBefore], kResetFrame);
    // The first frame after the reset carries 0x73.
    EXPECT_EQ(frames[framesBefore + 1], kPeiSwitchFrame);
    EXPECT_EQ(frames[framesBefore + 3], kAddressReadFrame) << "the BCU's address is read again";

    sim->injectIndication(kSwitchOn);
    // A fresh BCU's first frame of its own, its answer to the address read,
    // carried F3; this one D3.
    EXPECT_EQ(hex(client.receive(14, 3s)), "02 10 0A 00 BC 11 01 0A 03 E1 00 81 39 16");
}

TEST_F(GatewayRecoveryTest, SilentBcuIsResetEveryFiveSecondsUntilItAnswers) {
    sim->setSilent(true);
    startCore();
    processEventsFor(4500ms);
    // The first 5 s as always: the reset and nothing else.
    EXPECT_EQ(hostFrames(), std::vector<std::string>{kResetFrame});
    processEventsFor(7500ms);
    // Again at 5 s and at 10 s, with the same status texts.
    EXPECT_EQ(hostFrames(), (std::vector<std::string>{kResetFrame, kResetFrame, kResetFrame}));
    EXPECT_EQ(ui.statuses[StatusField::Bcu], (std::vector<std::string>{"offline..", "reset..", "reset..", "reset.."}));

    sim->setSilent(false);
    ASSERT_TRUE(waitUntilConnectedToBcu(8s));
    EXPECT_EQ(bcuTextsFrom(4),
              (std::vector<std::string>{"reset..", "PEI_switch..", "set Addr-Table..", "connected to BCU"}));
    EXPECT_EQ(hostFrames().size(), 7u);
    EXPECT_EQ(hostFrames()[4], kPeiSwitchFrame);
    EXPECT_EQ(hostFrames()[6], kAddressReadFrame);
}

TEST_F(GatewayRecoveryTest, BcuResetMidRunStartsItAgainAndTelegramsFlow) {
    startCore();
    ASSERT_TRUE(waitUntilConnectedToBcu());
    TcpClient client(core->gateway()->port());
    ASSERT_TRUE(processEventsUntil([&] { return core->gateway()->clientCount() == 1; }, 2s));
    const size_t textsBefore = ui.statuses[StatusField::Bcu].size();
    ui.bcuAddress.clear();

    sim->injectRaw(bytes(kResetFrame));
    ASSERT_TRUE(processEventsUntil([&] { return ui.statuses[StatusField::Bcu].size() == textsBefore + 4; }, 5s));
    EXPECT_EQ(bcuTextsFrom(textsBefore), kStartupTexts);
    // The start-up and the address read, twice; connected once it is read.
    EXPECT_EQ(ui.bcuAddress, "1.1.250");
    EXPECT_EQ(hostFrames().size(), 8u);
    EXPECT_EQ(hostFrames()[7], kAddressReadFrame);

    sim->injectIndication(kSwitchOn);
    EXPECT_EQ(client.receive(14, 3s).size(), 14u);
}

}  // namespace
}  // namespace lintor
