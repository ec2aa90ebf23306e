#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

#include "platform/event_loop.h"

namespace lintor::test {

// How a test waits: by turning the loop that the code under test runs on,
// for at most the time given. A LoopTest fixture turns its own loop; the
// window's tests turn Qt's.
using Pump = std::function<void(std::chrono::milliseconds atMost)>;

// Installs a pump for the current thread while it lives.
class PumpScope {
public:
    explicit PumpScope(Pump pump);
    ~PumpScope();
    PumpScope(const PumpScope&) = delete;
    PumpScope& operator=(const PumpScope&) = delete;

private:
    Pump previous_;
};

// Turns the current pump until done() holds or the time is up; returns done().
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

}  // namespace lintor::test
