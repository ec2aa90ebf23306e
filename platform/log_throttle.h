#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace lintor {

// Lets the first reports of a recurring event through, then at most one per
// interval, each with the count so far, so that a noisy line or client
// cannot flood the log however fast it is. One thread per instance; the
// caller brings the time.
class LogThrottle {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr uint64_t DEFAULT_BURST = 10;
    static constexpr std::chrono::seconds DEFAULT_INTERVAL{10};

    explicit LogThrottle(uint64_t burst = DEFAULT_BURST, std::chrono::milliseconds interval = DEFAULT_INTERVAL)
        : burst_(burst),
          interval_(interval) {}

    bool admit(TimePoint now) {
        ++count_;
        if (count_ > burst_ && now - lastAdmitted_ < interval_) return false;
        lastAdmitted_ = now;
        return true;
    }
    uint64_t occurrences() const { return count_; }
    // " (12 so far)" once there has been more than one, for the log line.
    std::string occurrencesNote() const {
        return count_ > 1 ? " (" + std::to_string(count_) + " so far)" : std::string();
    }

private:
    uint64_t burst_;
    std::chrono::milliseconds interval_;
    uint64_t count_ = 0;
    TimePoint lastAdmitted_{};
};

}  // namespace lintor
