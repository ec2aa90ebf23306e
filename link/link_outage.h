#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace lintor {

// What the log says about one outage of the bus link, however long it lasts:
// a line when it begins, a reminder at most every REMINDER_INTERVAL while
// the device stays away, a line when the reason changes (a device that
// appears but may not be opened), at most every CHANGE_INTERVAL, and a line
// when it is back. Attempts to reopen are not logged one by one. Link
// worker only.
class LinkOutage {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::minutes REMINDER_INTERVAL{10};
    static constexpr std::chrono::seconds CHANGE_INTERVAL{10};

    explicit LinkOutage(std::string device) : device_(std::move(device)) {}

    bool active() const { return since_.has_value(); }

    // The device was lost ("hang-up") or could not be opened (the opener's
    // text); returns the line for the log.
    std::string begin(const std::string& reason, Clock::time_point now);
    // Another attempt to open failed: the reminder when one is due, or the
    // new reason.
    std::optional<std::string> attemptFailed(const std::string& failure, Clock::time_point now);
    // True for the first failed open of this outage only: the user is told
    // once, not every second.
    bool takeFirstOpenFailure(const std::string& failure);
    void countDroppedRecord() { ++droppedRecords_; }
    // The device is open again; returns the line for the log.
    std::string end(Clock::time_point now);

private:
    std::string device_;
    std::optional<Clock::time_point> since_;
    Clock::time_point lastReport_{};
    bool openFailureReported_ = false;
    std::string lastFailure_;
    uint64_t droppedRecords_ = 0;
};

// "45 s", "3 min 5 s", "2 h 0 min".
std::string durationText(std::chrono::seconds duration);

}  // namespace lintor
