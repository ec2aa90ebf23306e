#pragma once

#include <chrono>
#include <optional>

namespace lintor {

// When the link worker may put the next downlink record on the line. A
// record goes out once the line has been quiet for a whole period, at once
// when it already has been. After a send the next record waits for the
// BCU's 0xE5 and a quiet period after it, or, without 0xE5, for the sixth
// quiet period after the send. Pure: the caller brings the time.
class DownlinkPacer {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds QUIET_PERIOD{200};
    // Quiet periods after a send before the acknowledgement is given up.
    static constexpr int ACK_WAIT_PERIODS = 5;

    // Bytes in either direction; each starts a new quiet period.
    void lineActive(Clock::time_point now) { quietSince_ = now; }
    void recordSent(Clock::time_point now);
    void ackReceived(Clock::time_point now);
    // Counts the quiet periods that have ended by now while an
    // acknowledgement is awaited; each period that ends starts the next.
    void advance(Clock::time_point now);

    bool awaitingAck() const { return awaitingAck_; }
    bool maySend(Clock::time_point now) const { return !awaitingAck_ && now >= quietEnd(); }
    // The next moment at which advance() or maySend() can change its
    // answer; none while nothing is awaited and no record waits.
    std::optional<Clock::time_point> nextDeadline(bool recordWaiting) const;

private:
    Clock::time_point quietEnd() const { return quietSince_ + QUIET_PERIOD; }

    // A line never heard from has been quiet for ever.
    Clock::time_point quietSince_ = Clock::time_point::min();
    bool awaitingAck_ = false;
    int ackWaitPeriods_ = 0;
};

}  // namespace lintor
