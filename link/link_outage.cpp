#include "link/link_outage.h"

#include <utility>

namespace lintor {

std::string durationText(std::chrono::seconds duration) {
    const int64_t total = duration.count();
    const int64_t hours = total / 3600;
    const int64_t minutes = total / 60 % 60;
    const int64_t seconds = total % 60;
    if (hours > 0) return std::to_string(hours) + " h " + std::to_string(minutes) + " min";
    if (minutes > 0) return std::to_string(minutes) + " min " + std::to_string(seconds) + " s";
    return std::to_string(seconds) + " s";
}

namespace {

std::string elapsed(LinkOutage::Clock::time_point from, LinkOutage::Clock::time_point to) {
    return durationText(std::chrono::duration_cast<std::chrono::seconds>(to - from));
}

}  // namespace

std::string LinkOutage::begin(const std::string& reason, Clock::time_point now) {
    since_ = now;
    lastReport_ = now;
    openFailureReported_ = false;
    lastFailure_.clear();
    droppedRecords_ = 0;
    return "bus link down (" + reason + "); opening " + device_ + " again every second";
}

std::optional<std::string> LinkOutage::attemptFailed(const std::string& failure, Clock::time_point now) {
    if (!since_) return std::nullopt;
    const auto quiet = now - lastReport_;
    const bool changed = failure != lastFailure_ && quiet >= CHANGE_INTERVAL;
    if (!changed && quiet < REMINDER_INTERVAL) return std::nullopt;
    lastReport_ = now;
    lastFailure_ = failure;
    return "bus link still down after " + elapsed(*since_, now) + ": " + failure;
}

bool LinkOutage::takeFirstOpenFailure(const std::string& failure) {
    if (openFailureReported_) return false;
    openFailureReported_ = true;
    lastFailure_ = failure;
    return true;
}

std::string LinkOutage::end(Clock::time_point now) {
    std::string line = "bus link back after " + (since_ ? elapsed(*since_, now) : std::string("0 s")) + ": " + device_ +
                       " is open again";
    if (droppedRecords_ > 0) {
        line += "; " + std::to_string(droppedRecords_) + " record" + (droppedRecords_ == 1 ? "" : "s") +
                " towards the bus dropped meanwhile";
    }
    since_.reset();
    return line;
}

}  // namespace lintor
