#include "knxip/connection.h"

#include <algorithm>

namespace lintor::knxip {
namespace {

constexpr int kSendsBeforeGivingUp = 2;

}  // namespace

Connection::Connection(Kind kind, uint8_t channel, size_t tunnel, uint16_t address, UdpEndpoint control,
                       UdpEndpoint data, uint32_t local, TimePoint now)
    : kind_(kind),
      channel_(channel),
      tunnel_(tunnel),
      address_(address),
      control_(control),
      data_(data),
      local_(local),
      lastHeartbeat_(now) {}

Connection::Arrival Connection::arrive(uint8_t sequence) {
    if (sequence == expected_) {
        ++expected_;
        received_ = true;
        return Arrival::Fresh;
    }
    return received_ && sequence == static_cast<uint8_t>(expected_ - 1) ? Arrival::Duplicate : Arrival::OutOfOrder;
}

bool Connection::queue(std::vector<uint8_t> cemi) {
    bool kept = true;
    // The front may be in flight; it stays until its acknowledgement.
    const size_t keep = sends_ > 0 ? 1 : 0;
    if (waiting_.size() >= QUEUE_LIMIT) {
        waiting_.erase(waiting_.begin() + static_cast<std::ptrdiff_t>(keep));
        kept = false;
    }
    waiting_.push_back(std::move(cemi));
    return kept;
}

std::optional<Connection::Outgoing> Connection::startSending(TimePoint now) {
    if (sends_ > 0 || waiting_.empty()) return std::nullopt;
    sends_ = 1;
    ackDeadline_ = now + ackTimeout();
    return inFlight();
}

std::optional<Connection::Outgoing> Connection::inFlight() const {
    if (sends_ == 0 || waiting_.empty()) return std::nullopt;
    return Outgoing{waiting_.front(), sequence_};
}

bool Connection::acknowledge(uint8_t sequence, uint8_t status) {
    if (sends_ == 0 || sequence != sequence_ || status != status::E_NO_ERROR) return false;
    waiting_.pop_front();
    ++sequence_;
    sends_ = 0;
    return true;
}

Connection::Retry Connection::checkAcknowledgement(TimePoint now) {
    if (sends_ == 0 || now < ackDeadline_) return Retry::None;
    if (sends_ >= kSendsBeforeGivingUp) return Retry::GiveUp;
    ++sends_;
    ackDeadline_ = now + ackTimeout();
    return Retry::Resend;
}

std::optional<TimePoint> Connection::nextDeadline() const {
    const TimePoint heartbeatDeadline = lastHeartbeat_ + HEARTBEAT_TIMEOUT;
    if (sends_ == 0) return heartbeatDeadline;
    return std::min(heartbeatDeadline, ackDeadline_);
}

std::chrono::milliseconds Connection::ackTimeout() const {
    return std::chrono::milliseconds(deviceManagement() ? DEVICE_CONFIGURATION_REQUEST_TIMEOUT_MS
                                                        : TUNNELLING_REQUEST_TIMEOUT_MS);
}

}  // namespace lintor::knxip
