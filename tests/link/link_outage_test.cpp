#include "link/link_outage.h"

#include <gtest/gtest.h>

namespace lintor {
namespace {

using namespace std::chrono_literals;
using Clock = LinkOutage::Clock;

TEST(LinkOutage, OneLineDownOneLineBackAndRemindersAtMostEveryTenMinutes) {
    LinkOutage outage("/dev/ttyUSB0");
    const Clock::time_point t0{};
    EXPECT_EQ(outage.begin("/dev/ttyUSB0: hang-up", t0),
              "bus link down (/dev/ttyUSB0: hang-up); opening /dev/ttyUSB0 again every second");
    EXPECT_TRUE(outage.active());
    const std::string failure = "cannot open /dev/ttyUSB0: No such file or directory";
    ASSERT_TRUE(outage.takeFirstOpenFailure(failure));
    // An attempt a second for almost ten minutes: not a word.
    for (auto t = 1s; t < 600s; t += 1s) ASSERT_FALSE(outage.attemptFailed(failure, t0 + t)) << t.count();
    EXPECT_EQ(outage.attemptFailed(failure, t0 + 600s),
              "bus link still down after 10 min 0 s: cannot open /dev/ttyUSB0: No such file or directory");
    EXPECT_FALSE(outage.attemptFailed(failure, t0 + 601s));
    EXPECT_FALSE(outage.attemptFailed(failure, t0 + 1199s));
    EXPECT_TRUE(outage.attemptFailed(failure, t0 + 1200s));

    outage.countDroppedRecord();
    outage.countDroppedRecord();
    EXPECT_EQ(outage.end(t0 + 3725s),
              "bus link back after 1 h 2 min: /dev/ttyUSB0 is open again; 2 records towards the bus dropped meanwhile");
    EXPECT_FALSE(outage.active());
    EXPECT_FALSE(outage.attemptFailed(failure, t0 + 9000s));
}

TEST(LinkOutage, UserIsToldOfAFailedOpenOncePerOutage) {
    LinkOutage outage("/dev/ttyS0");
    outage.begin("hang-up", Clock::time_point{});
    EXPECT_TRUE(outage.takeFirstOpenFailure("cannot open /dev/ttyS0: No such file or directory"));
    EXPECT_FALSE(outage.takeFirstOpenFailure("cannot open /dev/ttyS0: No such file or directory"));
    EXPECT_EQ(outage.end(Clock::time_point{} + 5s), "bus link back after 5 s: /dev/ttyS0 is open again");
    // A new outage, a new message; and its drops start from none.
    outage.begin("hang-up", Clock::time_point{} + 10s);
    EXPECT_TRUE(outage.takeFirstOpenFailure("hang-up"));
    EXPECT_EQ(outage.end(Clock::time_point{} + 71s), "bus link back after 1 min 1 s: /dev/ttyS0 is open again");
}

TEST(LinkOutage, ANewReasonIsToldWithinSeconds) {
    // An adapter that appears but may not be opened must not hide behind
    // the first reason for ten minutes.
    LinkOutage outage("/dev/ttyUSB0");
    const Clock::time_point t0{};
    const std::string missing = "cannot open /dev/ttyUSB0: No such file or directory";
    const std::string refused = "cannot open /dev/ttyUSB0: Permission denied";
    outage.begin(missing, t0);
    ASSERT_TRUE(outage.takeFirstOpenFailure(missing));
    EXPECT_FALSE(outage.attemptFailed(missing, t0 + 5s));
    EXPECT_FALSE(outage.attemptFailed(refused, t0 + 9s)) << "at most one line every ten seconds";
    EXPECT_EQ(outage.attemptFailed(refused, t0 + 10s), "bus link still down after 10 s: " + refused);
    EXPECT_FALSE(outage.attemptFailed(refused, t0 + 25s)) << "the same reason again is no news";
    EXPECT_TRUE(outage.attemptFailed(missing, t0 + 30s));
    EXPECT_FALSE(outage.attemptFailed(refused, t0 + 35s)) << "a reason that flaps: a line every ten seconds";
    EXPECT_TRUE(outage.attemptFailed(refused, t0 + 40s));
}

}  // namespace
}  // namespace lintor
