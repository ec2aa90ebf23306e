#include "platform/log_throttle.h"

#include <gtest/gtest.h>

namespace lintor {
namespace {

using namespace std::chrono_literals;

TEST(LogThrottle, FirstReportsThenOneLinePerIntervalHoweverFastTheEventsCome) {
    struct Case {
        const char* what;
        int events;
        std::chrono::microseconds apart;
        int admitted;
    };
    const Case cases[] = {
        // A flood of ten million in a second: the burst, and nothing more.
        {"ten million in one second", 10'000'000, 0us, 10},
        {"one a millisecond for 25 s", 25'000, 1000us, 10 + 2},
        // Rare events are never held back.
        {"one every 10 s", 30, 10'000'000us, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LogThrottle throttle;
        LogThrottle::TimePoint now{};
        int admitted = 0;
        for (int i = 0; i < c.events; ++i, now += c.apart) admitted += throttle.admit(now) ? 1 : 0;
        EXPECT_EQ(admitted, c.admitted);
        EXPECT_EQ(throttle.occurrences(), static_cast<uint64_t>(c.events));
    }
}

}  // namespace
}  // namespace lintor
