#include "tests/support/event_loop.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace lintor::test {
namespace {

// The test's own thread only; a test without a pump waits without one.
thread_local Pump currentPump;

}  // namespace

PumpScope::PumpScope(Pump pump) : previous_(std::exchange(currentPump, std::move(pump))) {}

PumpScope::~PumpScope() { currentPump = std::move(previous_); }

bool processEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    constexpr std::chrono::milliseconds kTurn{10};
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        const auto now = Clock::now();
        if (now >= deadline) return false;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        const auto turn = std::min(left, kTurn);
        if (currentPump) {
            currentPump(turn);
        } else {
            std::this_thread::sleep_for(turn);
        }
    }
    return true;
}

void processEventsFor(std::chrono::milliseconds duration) {
    processEventsUntil([] { return false; }, duration);
}

std::unique_ptr<EventLoop> makeLoop(const Clock& clock) {
    auto loop = EventLoop::create(clock);
    if (!loop.ok()) ADD_FAILURE() << "event loop: " << errorText(loop.error());
    return loop.take();
}

}  // namespace lintor::test
