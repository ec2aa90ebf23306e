// When records towards the BCU go on the line, on a clock of the test's own
// and a BCU at the far end of a socket pair: the real link, every
// millisecond exact, no time spent waiting.
#include <gtest/gtest.h>

#include "link/serial_link.h"
#include "tests/support/bytes.h"
#include "tests/support/event_loop.h"
#include "tests/support/link_fakes.h"
#include "tests/support/manual_clock.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using test::bytes;
using test::hex;

const char* const kGroupWriteRecord = "10 80 09 00 11 0C 11 FF 0A 03 E1 00 81";
const char* const kGroupWriteFrameOdd = "68 0A 0A 68 73 11 0C 11 FF 0A 03 E1 00 81 0F 16";
const char* const kResetRecord = "00 80 04 00 10 40 40 16";
const char* const kIndication = "68 0A 0A 68 73 29 BC 11 01 0A 03 E1 00 81 D9 16";

class LinkPacingTest : public testing::Test {
protected:
    LinkPacingTest() { link.start(); }

    // Lets the loop take what the line brought, then moves the clock.
    void advance(std::chrono::milliseconds by) {
        loop->runOnce(0ms);
        clock.advance(by);
        loop->runOnce(0ms);
    }
    // What the host put on the line by now; acknowledgements of the BCU's
    // frames left out.
    std::string sent() {
        loop->runOnce(0ms);
        std::string out = hex(bcu.takeFromHost());
        while (out.starts_with("E5")) out.erase(0, out.size() > 2 ? 3 : 2);
        return out;
    }
    void bcuSends(const std::string& bytesText) {
        bcu.sendToHost(bytes(bytesText));
        loop->runOnce(0ms);
    }

    test::ManualClock clock;
    std::unique_ptr<EventLoop> loop = test::makeLoop(clock);
    test::RecordingLinkListener listener;
    test::SocketBcu bcu;
    SerialLink link{*loop, listener, bcu.opener(), "/dev/ttyS0"};
};

TEST_F(LinkPacingTest, SecondRecordWaitsForTheAcknowledgementAndAQuietPeriod) {
    ASSERT_TRUE(link.send(bytes(kGroupWriteRecord)));
    ASSERT_TRUE(link.send(bytes(kGroupWriteRecord)));
    EXPECT_EQ(sent(), kGroupWriteFrameOdd) << "a line never heard from has been quiet for ever";
    advance(50ms);
    bcuSends("E5");
    advance(199ms);
    EXPECT_EQ(sent(), "");
    advance(1ms);
    EXPECT_EQ(sent(), "68 0A 0A 68 53 11 0C 11 FF 0A 03 E1 00 81 EF 16");
}

TEST_F(LinkPacingTest, WithoutAcknowledgementTheNextRecordFollowsAfterSixQuietPeriods) {
    ASSERT_TRUE(link.send(bytes(kResetRecord)));
    ASSERT_TRUE(link.send(bytes(kResetRecord)));
    EXPECT_EQ(sent(), "10 40 40 16");
    for (int period = 1; period < 6; ++period) {
        advance(200ms);
        EXPECT_EQ(sent(), "") << period;
    }
    advance(199ms);
    EXPECT_EQ(sent(), "");
    advance(1ms);
    EXPECT_EQ(sent(), "10 40 40 16");
}

TEST_F(LinkPacingTest, RecordIsHeldWhileTheBcuKeepsSending) {
    bcuSends("00");
    ASSERT_TRUE(link.send(bytes(kResetRecord)));
    // A byte every 150 ms for a second and a half: never a quiet 200 ms.
    for (int i = 0; i < 10; ++i) {
        advance(150ms);
        bcuSends("00");
        EXPECT_EQ(sent(), "") << i;
    }
    advance(199ms);
    EXPECT_EQ(sent(), "");
    advance(1ms);
    EXPECT_EQ(sent(), "10 40 40 16");
}

TEST_F(LinkPacingTest, RecordOnALineQuietForAPeriodGoesOutAtOnce) {
    bcuSends(kIndication);
    advance(200ms);
    ASSERT_TRUE(link.send(bytes(kGroupWriteRecord)));
    EXPECT_EQ(sent(), kGroupWriteFrameOdd);
}

TEST_F(LinkPacingTest, RecordSoonAfterLineActivityWaitsForTheQuietPeriod) {
    bcuSends(kIndication);
    ASSERT_EQ(listener.records.size(), 1u);
    advance(50ms);
    ASSERT_TRUE(link.send(bytes(kResetRecord)));
    advance(149ms);
    EXPECT_EQ(sent(), "");
    advance(1ms);
    EXPECT_EQ(sent(), "10 40 40 16");
}

TEST_F(LinkPacingTest, IdleLinkAwaitsNothing) {
    bcuSends(kIndication);
    advance(2s);
    // Nothing due: the loop sleeps until the line or a client speaks.
    EXPECT_FALSE(loop->nextDeadline().has_value());
}

}  // namespace
}  // namespace lintor
