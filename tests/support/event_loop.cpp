#include "tests/support/event_loop.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace lintor::test {
namespace {

// The test's own thread only; a test without a pump waits without one.
thread_local Pump currentPump;
thread_local const Clock* currentTime = nullptr;

}  // namespace

PumpScope::PumpScope(Pump pump, const Clock* time)
    : previousPump_(std::exchange(currentPump, std::move(pump))),
      previousTime_(std::exchange(currentTime, time)) {}

PumpScope::~PumpScope() {
    currentPump = std::move(previousPump_);
    currentTime = previousTime_;
}

bool processEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    constexpr std::chrono::milliseconds kTurn{10};
    const SystemClock system;
    const Clock& clock = currentTime ? *currentTime : system;
    const auto deadline = clock.now() + timeout;
    while (!done()) {
        const auto now = clock.now();
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
