#include "link/downlink_pacer.h"

namespace lintor {

void DownlinkPacer::recordSent(Clock::time_point now) {
    quietSince_ = now;
    awaitingAck_ = true;
    ackWaitPeriods_ = 0;
}

void DownlinkPacer::ackReceived(Clock::time_point now) {
    quietSince_ = now;
    awaitingAck_ = false;
}

void DownlinkPacer::advance(Clock::time_point now) {
    if (!awaitingAck_ || now < quietEnd()) return;
    // A late wake-up counts as one period, as a wait that timed out once.
    quietSince_ = now;
    if (++ackWaitPeriods_ >= ACK_WAIT_PERIODS) awaitingAck_ = false;
}

std::optional<DownlinkPacer::Clock::time_point> DownlinkPacer::nextDeadline(bool recordWaiting) const {
    if (awaitingAck_ || recordWaiting) return quietEnd();
    return std::nullopt;
}

}  // namespace lintor
