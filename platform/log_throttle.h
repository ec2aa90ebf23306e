#pragma once

#include <cstdint>
#include <string>

namespace lintor {

// Lets the first reports of a recurring event through, then one in every
// `every`, so that a noisy line or client cannot flood the log. One thread
// per instance.
class LogThrottle {
public:
    explicit LogThrottle(uint64_t burst = 10, uint64_t every = 1000) : burst_(burst), every_(every) {}

    bool admit() {
        ++count_;
        return count_ <= burst_ || count_ % every_ == 0;
    }
    uint64_t occurrences() const { return count_; }
    // " (12 so far)" once there has been more than one, for the log line.
    std::string occurrencesNote() const {
        return count_ > 1 ? " (" + std::to_string(count_) + " so far)" : std::string();
    }

private:
    uint64_t burst_;
    uint64_t every_;
    uint64_t count_ = 0;
};

}  // namespace lintor
