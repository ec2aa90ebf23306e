#include "link/port_writer.h"

#include <algorithm>

namespace lintor {

using std::chrono::milliseconds;

milliseconds writeTimeoutFor(size_t count) {
    return std::min(milliseconds(10 * static_cast<int64_t>(count) + 100), milliseconds(5000));
}

PortWriter::Result PortWriter::write(SerialDevice& device, std::span<const uint8_t> bytes, Clock::time_point now) {
    if (bytes.empty()) return Result::Written;
    if (queuedBytes_ + bytes.size() > CAPACITY) return Result::Refused;
    queue_.push_back({{bytes.begin(), bytes.end()}, 0, std::nullopt});
    queuedBytes_ += bytes.size();
    if (queue_.size() > 1) return Result::Queued;
    if (!flush(device, now)) return Result::Failed;
    return queue_.empty() ? Result::Written : Result::Queued;
}

bool PortWriter::flush(SerialDevice& device, Clock::time_point now) {
    while (!queue_.empty()) {
        Pending& head = queue_.front();
        if (!head.deadline) head.deadline = now + writeTimeoutFor(head.bytes.size());
        const auto taken = device.writeSome(std::span(head.bytes).subspan(head.sent));
        if (!taken.ok()) return false;
        if (taken.value() == 0) return true;
        head.sent += taken.value();
        if (head.sent < head.bytes.size()) continue;
        queuedBytes_ -= head.bytes.size();
        queue_.pop_front();
    }
    return true;
}

bool PortWriter::expire(SerialDevice& device, Clock::time_point now) {
    bool expired = false;
    while (!queue_.empty() && queue_.front().deadline && *queue_.front().deadline <= now) {
        queuedBytes_ -= queue_.front().bytes.size();
        queue_.pop_front();
        device.discardOutput();
        expired = true;
        // The next one's time starts now.
        if (!queue_.empty() && !flush(device, now)) break;
    }
    return expired;
}

std::optional<PortWriter::Clock::time_point> PortWriter::deadline() const {
    if (queue_.empty()) return std::nullopt;
    return queue_.front().deadline;
}

void PortWriter::clear() {
    queue_.clear();
    queuedBytes_ = 0;
}

}  // namespace lintor
