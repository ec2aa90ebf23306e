#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "platform/sys_result.h"

namespace lintor::bcusim {

// Bytes waiting for the line, in the order they were queued. Whole chunks
// go out in one write, or, with a byte gap, one byte per write with the gap
// between them, as a slow or hesitant sender would.
class LineOutput {
public:
    using Clock = std::chrono::steady_clock;

    enum class ChunkKind {
        Ack,
        Frame,  // the BCU's own frame: its end starts the wait for the host's 0xE5
        Raw,
    };

    struct Written {
        // What each write() put on the line.
        std::vector<std::vector<uint8_t>> pieces;
        size_t framesCompleted = 0;
    };

    void push(ChunkKind kind, std::vector<uint8_t> bytes);
    void setByteGap(std::chrono::milliseconds gap) { byteGap_ = gap; }
    void clear();

    // When the next byte may go: nullopt when nothing waits or the line is
    // full, so that only POLLOUT can move things on.
    std::optional<Clock::time_point> nextWriteTime() const;
    bool waitingForRoom() const { return waitingForRoom_; }
    void roomAvailable() { waitingForRoom_ = false; }

    // Writes what is due on the non-blocking fd; a full line leaves the rest
    // waiting for room.
    SysResult<Written> writeDue(int fd, Clock::time_point now);

private:
    struct Chunk {
        ChunkKind kind;
        std::vector<uint8_t> bytes;
        size_t sent = 0;
    };

    bool due(Clock::time_point now) const;

    std::deque<Chunk> chunks_;
    std::chrono::milliseconds byteGap_{0};
    std::optional<Clock::time_point> lastByteAt_;
    bool waitingForRoom_ = false;
};

}  // namespace lintor::bcusim
