#include "tools/bcusim/line_output.h"

#include <unistd.h>

#include <cerrno>

namespace lintor::bcusim {

void LineOutput::push(ChunkKind kind, std::vector<uint8_t> bytes) {
    if (bytes.empty()) return;
    chunks_.push_back(Chunk{kind, std::move(bytes)});
}

void LineOutput::clear() {
    chunks_.clear();
    waitingForRoom_ = false;
}

std::optional<LineOutput::Clock::time_point> LineOutput::nextWriteTime() const {
    if (chunks_.empty() || waitingForRoom_) return std::nullopt;
    if (byteGap_.count() == 0 || !lastByteAt_) return Clock::time_point::min();
    return *lastByteAt_ + byteGap_;
}

bool LineOutput::due(Clock::time_point now) const {
    const auto at = nextWriteTime();
    return at && *at <= now;
}

SysResult<LineOutput::Written> LineOutput::writeDue(int fd, Clock::time_point now) {
    Written written;
    while (due(now)) {
        Chunk& chunk = chunks_.front();
        const size_t wanted = byteGap_.count() > 0 ? 1 : chunk.bytes.size() - chunk.sent;
        const ssize_t n = ::write(fd, chunk.bytes.data() + chunk.sent, wanted);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            waitingForRoom_ = true;
            break;
        }
        if (n < 0) return SysResult<Written>::failure(errno);

        const auto* first = chunk.bytes.data() + chunk.sent;
        written.pieces.emplace_back(first, first + n);
        chunk.sent += static_cast<size_t>(n);
        lastByteAt_ = now;
        if (chunk.sent == chunk.bytes.size()) {
            if (chunk.kind == ChunkKind::Frame) ++written.framesCompleted;
            chunks_.pop_front();
        }
    }
    return written;
}

}  // namespace lintor::bcusim
