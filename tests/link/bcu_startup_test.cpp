#include "link/bcu_startup.h"

#include <gtest/gtest.h>

#include "link/serial_link.h"
#include "tests/support/bytes.h"
#include "tests/support/event_loop.h"
#include "tests/support/link_fakes.h"
#include "tests/support/manual_clock.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using test::hex;

const char* const kResetRecord = "00 80 04 00 10 40 40 16";
const char* const kPeiSwitchRecord = "10 80 07 00 A9 96 18 34 56 78 0A";
const char* const kAddressTableRecord = "10 80 05 00 A6 01 01 16 00";

class BcuStartupTest : public testing::Test {
protected:
    // The records handed on since asked last.
    std::vector<std::string> takeRecords() { return std::exchange(records, {}); }

    std::vector<std::string> records;
    std::vector<BcuInitStep> steps;
    BcuStartup startup{[this](std::span<const uint8_t> record) {
                           records.push_back(hex(record));
                           return true;
                       },
                       [this](BcuInitStep step) { steps.push_back(step); }};
};

TEST_F(BcuStartupTest, EachAcknowledgementAdvancesToTheNextRecord) {
    EXPECT_EQ(startup.bcuInitState(), 3);
    startup.performInitStep();
    EXPECT_EQ(takeRecords(), std::vector<std::string>{kResetRecord});

    startup.handleAcknowledgement({MSG_BCU_ACK, 0});
    EXPECT_EQ(startup.bcuInitState(), 2);
    EXPECT_EQ(takeRecords(), std::vector<std::string>{kPeiSwitchRecord});

    startup.handleAcknowledgement({MSG_BCU_ACK, 0});
    EXPECT_EQ(takeRecords(), std::vector<std::string>{kAddressTableRecord});

    startup.handleAcknowledgement({MSG_BCU_ACK, 0});
    EXPECT_TRUE(takeRecords().empty());
    EXPECT_EQ(steps, (std::vector<BcuInitStep>{BcuInitStep::Reset, BcuInitStep::PeiSwitch, BcuInitStep::AddressTable,
                                               BcuInitStep::Connected}));
}

TEST_F(BcuStartupTest, FinalStateIgnoresFurtherAcknowledgements) {
    for (int i = 0; i < 3; ++i) startup.handleAcknowledgement({MSG_BCU_ACK, 0});
    ASSERT_EQ(startup.bcuInitState(), 0);
    startup.handleAcknowledgement({MSG_BCU_ACK, 0});
    EXPECT_EQ(startup.bcuInitState(), 0);
    EXPECT_EQ(steps.size(), 3u);
}

TEST_F(BcuStartupTest, AcknowledgementWithPayloadDoesNotAdvance) {
    startup.handleAcknowledgement({MSG_BCU_ACK, 1});
    EXPECT_EQ(startup.bcuInitState(), 3);
    EXPECT_TRUE(steps.empty());
}

TEST_F(BcuStartupTest, StepHandledTwiceQueuesItsRecordTwice) {
    startup.performInitStep();
    startup.performInitStep();
    EXPECT_EQ(takeRecords(), (std::vector<std::string>{kResetRecord, kResetRecord}));
}

TEST(BcuStartupOnTheLink, AfterClientTrafficItStillSendsItsFramesWith73Then53) {
    test::ManualClock clock;
    const auto loop = test::makeLoop(clock);
    test::RecordingLinkListener listener;
    test::RecordingOpener opener;
    SerialLink link(*loop, listener, opener, "/dev/ttyS0");
    ASSERT_TRUE(link.start());
    BcuStartup startup([&](std::span<const uint8_t> record) { return link.send(record); }, [](BcuInitStep) {});
    const auto acknowledgeAndWait = [&] {
        link.receiveBytes(test::bytes("E5"));
        clock.advance(DownlinkPacer::QUIET_PERIOD);
        loop->runOnce(0ms);
    };
    // A client's frame has gone out first: the count is even now.
    ASSERT_TRUE(link.send(test::bytes("10 80 01 00 41")));
    acknowledgeAndWait();
    startup.performInitStep();
    for (int step = 0; step < 3; ++step) {
        acknowledgeAndWait();
        startup.handleAcknowledgement({MSG_BCU_ACK, 0});
    }
    std::vector<std::string> sent;
    for (const auto& write : opener.device->writes) sent.push_back(hex(write));
    EXPECT_EQ(sent, (std::vector<std::string>{"68 02 02 68 73 41 B4 16", "10 40 40 16",
                                              "68 08 08 68 73 A9 96 18 34 56 78 0A D6 16",
                                              "68 06 06 68 53 A6 01 01 16 00 11 16"}));
}

}  // namespace
}  // namespace lintor
