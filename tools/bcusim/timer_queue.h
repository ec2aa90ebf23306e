#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>

namespace lintor::bcusim {

// Actions to run at a later time on the simulator's thread, in order of
// their time and, for equal times, of their adding.
class TimerQueue {
public:
    using Clock = std::chrono::steady_clock;

    void add(Clock::time_point at, std::function<void()> action) { actions_.emplace(at, std::move(action)); }
    std::optional<Clock::time_point> next() const;
    // Runs every action due by now, including those that the actions add.
    void runDue(Clock::time_point now);
    void clear() { actions_.clear(); }

private:
    std::multimap<Clock::time_point, std::function<void()>> actions_;
};

}  // namespace lintor::bcusim
