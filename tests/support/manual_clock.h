#pragma once

#include <chrono>

#include "platform/event_loop.h"

namespace lintor::test {

// Time that moves only when the test says so.
class ManualClock final : public Clock {
public:
    time_point now() const override { return now_; }
    void advance(duration by) { now_ += by; }

private:
    // Far from zero, so that "a second ago" is never before the epoch.
    time_point now_ = time_point{} + std::chrono::hours(1);
};

}  // namespace lintor::test
