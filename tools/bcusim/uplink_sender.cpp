#include "tools/bcusim/uplink_sender.h"

#include "tools/bcusim/frame_codec.h"

namespace lintor::bcusim {
namespace {

// "Send user data" in the BCU's direction; the frame count bit alternates
// from one new frame to the next.
constexpr uint8_t kBcuControl = framing::SEND_USER_DATA_CONTROL | framing::FROM_BCU;

}  // namespace

UplinkSender::EnqueueResult UplinkSender::enqueue(std::vector<uint8_t> message) {
    if (message.empty() || message.size() > framing::MESSAGE_LIMIT) return EnqueueResult::WrongSize;
    if (queue_.size() >= settings_.queueLimit) return EnqueueResult::QueueFull;
    queue_.push_back(std::move(message));
    return EnqueueResult::Queued;
}

std::optional<UplinkSender::Transmission> UplinkSender::takeTransmission() {
    if (writing_) return std::nullopt;
    if (outstanding_) {
        if (!outstanding_->sendPending) return std::nullopt;
        outstanding_->sendPending = false;
        writing_ = true;
        return Transmission{outstanding_->bytes, outstanding_->repeatsDone > 0};
    }
    if (queue_.empty()) return std::nullopt;
    const std::vector<uint8_t> frame = encodeNext(queue_.front());
    queue_.pop_front();
    Outstanding next;
    next.copies = duplicates_ ? 2 : 1;
    next.acksNeeded = next.copies;
    for (int copy = 0; copy < next.copies; ++copy) {
        for (const uint8_t b : frame) next.bytes.push_back(b);
    }
    outstanding_ = std::move(next);
    writing_ = true;
    return Transmission{outstanding_->bytes, false};
}

std::vector<uint8_t> UplinkSender::encodeNext(const std::vector<uint8_t>& message) {
    const auto control = static_cast<uint8_t>(kBcuControl | (frameCountBit_ ? framing::FRAME_COUNT_BIT : 0));
    frameCountBit_ = !frameCountBit_;
    return framing::variableFrame(control, message);
}

void UplinkSender::transmissionWritten(Clock::time_point now) {
    writing_ = false;
    if (outstanding_) outstanding_->deadline = now + settings_.ackTimeout;
}

bool UplinkSender::acknowledge() {
    if (!outstanding_) return false;
    if (--outstanding_->acksNeeded <= 0) outstanding_.reset();
    return true;
}

std::optional<UplinkSender::Clock::time_point> UplinkSender::deadline() const {
    if (!outstanding_) return std::nullopt;
    return outstanding_->deadline;
}

std::optional<UplinkSender::Timeout> UplinkSender::checkTimeout(Clock::time_point now) {
    if (!outstanding_ || !outstanding_->deadline || now < *outstanding_->deadline) return std::nullopt;
    if (outstanding_->repeatsDone >= settings_.maxRepeats) {
        outstanding_.reset();
        return Timeout::GiveUp;
    }
    ++outstanding_->repeatsDone;
    outstanding_->acksNeeded = outstanding_->copies;
    outstanding_->sendPending = true;
    outstanding_->deadline.reset();
    return Timeout::Repeat;
}

void UplinkSender::reset() {
    queue_.clear();
    outstanding_.reset();
    writing_ = false;
    frameCountBit_ = true;
}

}  // namespace lintor::bcusim
