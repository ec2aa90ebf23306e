#include "tools/bcusim/line_reader.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace lintor::bcusim {
namespace {

// A longer "line" is cut here, so that input without newlines cannot fill
// memory.
constexpr size_t kLongestLine = 4096;

}  // namespace

LineReader::Status LineReader::next(std::string& line) {
    while (!takeLine(line)) {
        if (endOfInput_) return Status::EndOfInput;
        if (!fill()) return Status::Interrupted;
    }
    return Status::Line;
}

bool LineReader::takeLine(std::string& line) {
    size_t length = buffer_.find('\n');
    size_t consumed = length + 1;
    if (length == std::string::npos) {
        const bool forced = buffer_.size() >= kLongestLine || (endOfInput_ && !buffer_.empty());
        if (!forced) return false;
        length = consumed = std::min(buffer_.size(), kLongestLine);
    }
    line = buffer_.substr(0, length);
    buffer_.erase(0, consumed);
    return true;
}

bool LineReader::fill() {
    std::array<pollfd, 2> fds{{{interruptFd_, POLLIN, 0}, {fd_, POLLIN, 0}}};
    if (::poll(fds.data(), fds.size(), -1) < 0) {
        if (errno != EINTR) endOfInput_ = true;
        return true;
    }
    if (fds[0].revents & POLLIN) return false;
    if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) == 0) return true;

    std::array<char, 1024> chunk;
    const ssize_t n = ::read(fd_, chunk.data(), chunk.size());
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
    if (n <= 0) {
        endOfInput_ = true;
        return true;
    }
    buffer_.append(chunk.data(), static_cast<size_t>(n));
    return true;
}

}  // namespace lintor::bcusim
