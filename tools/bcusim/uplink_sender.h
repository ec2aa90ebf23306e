#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace lintor::bcusim {

// The BCU's own frames towards the host. One frame is outstanding at a time;
// the next waits for the host's 0xE5, and a frame the host leaves
// unacknowledged is repeated with the same control byte, then given up.
// No I/O and no clock: the caller says when a frame is on the line and what
// time it is.
class UplinkSender {
public:
    using Clock = std::chrono::steady_clock;

    struct Settings {
        std::chrono::milliseconds ackTimeout{1000};
        int maxRepeats = 2;
        // Frames beyond this are refused, so a host that never acknowledges
        // cannot make the queue grow without bound.
        size_t queueLimit = 256;
    };

    struct Transmission {
        std::vector<uint8_t> bytes;  // one frame, or two copies of it
        bool repeat = false;         // sent again after a time-out
    };

    enum class Timeout { Repeat, GiveUp };

    explicit UplinkSender(Settings settings) : settings_(settings) {}

    enum class EnqueueResult { Queued, WrongSize, QueueFull };
    // A message of 1 to 25 bytes, while the queue has room.
    EnqueueResult enqueue(std::vector<uint8_t> message);
    // Send each frame twice back to back, as a repetition on the bus would;
    // the host acknowledges each copy.
    void setDuplicates(bool on) { duplicates_ = on; }

    // What to write now, if anything: a due repeat, or the next queued frame
    // once the one before was acknowledged or given up and is completely on
    // the line (the host acknowledges at the header, before the end).
    std::optional<Transmission> takeTransmission();
    // The last byte of the transmission is on the line: the time-out starts.
    void transmissionWritten(Clock::time_point now);
    // The host's 0xE5; false when no frame was waiting for one.
    bool acknowledge();

    // When checkTimeout() will next have something to do.
    std::optional<Clock::time_point> deadline() const;
    // Repeat a frame left unacknowledged too long, or give up on it.
    std::optional<Timeout> checkTimeout(Clock::time_point now);

    // Forgets every frame, as a BCU that lost power would.
    void reset();

    size_t queued() const { return queue_.size(); }
    bool idle() const { return !outstanding_ && queue_.empty(); }

private:
    struct Outstanding {
        std::vector<uint8_t> bytes;
        int copies = 1;
        int acksNeeded = 1;
        int repeatsDone = 0;
        bool sendPending = false;
        std::optional<Clock::time_point> deadline;  // set once written
    };

    std::vector<uint8_t> encodeNext(const std::vector<uint8_t>& message);

    Settings settings_;
    std::deque<std::vector<uint8_t>> queue_;
    std::optional<Outstanding> outstanding_;
    bool writing_ = false;
    bool duplicates_ = false;
    bool frameCountBit_ = true;
};

}  // namespace lintor::bcusim
