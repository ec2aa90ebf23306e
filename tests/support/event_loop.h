#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>

#include "platform/event_loop.h"
#include "tests/support/manual_clock.h"

namespace lintor::test {

// How a test waits: by turning the loop that the code under test runs on,
// for at most the time given. A LoopTest fixture turns its own loop; the
// window's tests turn Qt's.
using Pump = std::function<void(std::chrono::milliseconds atMost)>;

// Installs a pump for the current thread while it lives, and the clock its
// waits count on (the system's when none is given).
class PumpScope {
public:
    explicit PumpScope(Pump pump, const Clock* time = nullptr);
    ~PumpScope();
    PumpScope(const PumpScope&) = delete;
    PumpScope& operator=(const PumpScope&) = delete;

private:
    Pump previousPump_;
    const Clock* previousTime_;
};

// Turns the current pump until done() holds or the time is up, on the
// pump's clock; returns done().
bool processEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
void processEventsFor(std::chrono::milliseconds duration);

std::unique_ptr<EventLoop> makeLoop(const Clock& clock);

// A test with an event loop of its own on the system clock.
class LoopTest : public testing::Test {
protected:
    EventLoop& loop() { return *loop_; }

private:
    SystemClock clock_;
    std::unique_ptr<EventLoop> loop_ = makeLoop(clock_);
    PumpScope pump_{[this](std::chrono::milliseconds atMost) { loop_->runOnce(atMost); }};
};

// A test whose loop runs on a clock of its own that moves ten times as fast
// as the real one while the test waits: a five-second retry takes half a
// second, and the line and the sockets still get their turns.
class SimulatedTimeTest : public testing::Test {
protected:
    EventLoop& loop() { return *loop_; }

private:
    static constexpr std::chrono::milliseconds kRealTurn{1};
    static constexpr std::chrono::milliseconds kSimulatedTurn{10};
    ManualClock clock_;
    std::unique_ptr<EventLoop> loop_ = makeLoop(clock_);
    PumpScope pump_{[this](std::chrono::milliseconds atMost) {
                        loop_->runOnce(kRealTurn);
                        clock_.advance(std::min(atMost, kSimulatedTurn));
                    },
                    &clock_};
};

}  // namespace lintor::test
