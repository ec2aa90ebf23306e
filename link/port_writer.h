#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "platform/serial_device.h"

namespace lintor {

// How long the line may take for a write: 10 ms a byte and 100 ms, never
// more than 5 s.
std::chrono::milliseconds writeTimeoutFor(size_t count);

// Bytes on their way to the serial device, without ever waiting for it:
// what the device does not take at once goes when it has room, in order. A
// write not all out by its time-out, counted from when it is first tried,
// is given up with whatever of it the device still holds: the line takes no
// late half-frames. Bounded: a write that would make it hold more than
// CAPACITY bytes is refused.
class PortWriter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr size_t CAPACITY = 8192;

    enum class Result { Written, Queued, Refused, Failed };

    Result write(SerialDevice& device, std::span<const uint8_t> bytes, Clock::time_point now);
    // The device has room: moves queued bytes on; false once it failed.
    bool flush(SerialDevice& device, Clock::time_point now);
    // Gives up the writes whose time is over; true when one was.
    bool expire(SerialDevice& device, Clock::time_point now);

    bool pending() const { return !queue_.empty(); }
    // When the write at the head runs out of time.
    std::optional<Clock::time_point> deadline() const;
    void clear();

private:
    struct Pending {
        std::vector<uint8_t> bytes;
        size_t sent = 0;
        std::optional<Clock::time_point> deadline;  // from its first try
    };

    std::deque<Pending> queue_;
    size_t queuedBytes_ = 0;
};

}  // namespace lintor
