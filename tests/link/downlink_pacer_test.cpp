// The downlink's timing rules on a made-up clock.
#include <gtest/gtest.h>

#include "link/downlink_pacer.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using Clock = DownlinkPacer::Clock;

const Clock::time_point t0 = Clock::time_point{} + 1000s;

TEST(DownlinkPacer, RecordGoesAtOnceOnALineQuietForAPeriod) {
    DownlinkPacer fresh;
    EXPECT_TRUE(fresh.maySend(t0));
    EXPECT_EQ(fresh.nextDeadline(false), std::nullopt);

    DownlinkPacer pacer;
    pacer.lineActive(t0);
    EXPECT_TRUE(pacer.maySend(t0 + 200ms));
    EXPECT_TRUE(pacer.maySend(t0 + 60s));
}

TEST(DownlinkPacer, ActivityHoldsTheRecordUntilThePeriodAfterIt) {
    DownlinkPacer pacer;
    pacer.lineActive(t0);
    EXPECT_FALSE(pacer.maySend(t0 + 199ms));
    // Nothing to wait for without a record: no wake-up.
    EXPECT_EQ(pacer.nextDeadline(false), std::nullopt);
    EXPECT_EQ(pacer.nextDeadline(true), t0 + 200ms);
    pacer.lineActive(t0 + 150ms);
    EXPECT_FALSE(pacer.maySend(t0 + 349ms));
    EXPECT_TRUE(pacer.maySend(t0 + 350ms));
}

TEST(DownlinkPacer, AfterASendTheNextWaitsForTheAcknowledgementAndAQuietPeriod) {
    DownlinkPacer pacer;
    pacer.recordSent(t0);
    EXPECT_TRUE(pacer.awaitingAck());
    EXPECT_FALSE(pacer.maySend(t0 + 500ms));
    pacer.ackReceived(t0 + 30ms);
    EXPECT_FALSE(pacer.awaitingAck());
    EXPECT_FALSE(pacer.maySend(t0 + 229ms));
    EXPECT_TRUE(pacer.maySend(t0 + 230ms));
}

TEST(DownlinkPacer, WithoutAcknowledgementTheSixthQuietPeriodFreesTheLine) {
    DownlinkPacer pacer;
    pacer.recordSent(t0);
    // Each wake-up comes when the pacer asked for it.
    for (int period = 1; period <= 5; ++period) {
        const auto deadline = pacer.nextDeadline(false);
        ASSERT_EQ(deadline, t0 + period * 200ms) << "period " << period;
        EXPECT_FALSE(pacer.maySend(*deadline)) << "period " << period;
        pacer.advance(*deadline);
    }
    EXPECT_FALSE(pacer.awaitingAck());
    EXPECT_FALSE(pacer.maySend(t0 + 1199ms));
    EXPECT_TRUE(pacer.maySend(t0 + 1200ms));
}

TEST(DownlinkPacer, ActivityDuringTheAcknowledgementWaitPostponesItsPeriods) {
    DownlinkPacer pacer;
    pacer.recordSent(t0);
    pacer.advance(t0 + 100ms);  // early wake-up: no period ended
    pacer.lineActive(t0 + 150ms);
    EXPECT_EQ(pacer.nextDeadline(false), t0 + 350ms);
    for (int period = 0; period < 5; ++period) pacer.advance(*pacer.nextDeadline(false));
    EXPECT_FALSE(pacer.awaitingAck());
    EXPECT_TRUE(pacer.maySend(t0 + 350ms + 5 * 200ms));
    EXPECT_FALSE(pacer.maySend(t0 + 350ms + 5 * 200ms - 1ms));
}

}  // namespace
}  // namespace lintor
