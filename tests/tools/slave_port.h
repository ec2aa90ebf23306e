#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/unique_fd.h"

namespace lintor::test {

// The host's end of a simulated BCU: the pty slave opened as the gateway
// opens its serial device, raw and non-blocking. Every read waits on poll()
// with a deadline.
class SlavePort {
public:
    using Clock = std::chrono::steady_clock;
    using Milliseconds = std::chrono::milliseconds;

    // Fails the current test when the path cannot be opened.
    explicit SlavePort(const std::string& path);

    bool isOpen() const { return fd_.valid(); }
    int fd() const { return fd_.get(); }
    void write(const std::vector<uint8_t>& bytes);

    // The next unit from the BCU: a lone E5, a whole 68 L L 68 frame, or any
    // other single byte. Empty when the deadline passes first.
    std::vector<uint8_t> readUnit(Milliseconds timeout = Milliseconds{2000});
    // Exactly count bytes, or fewer when the deadline passes first.
    std::vector<uint8_t> readBytes(size_t count, Milliseconds timeout = Milliseconds{2000});
    // Whatever arrives within the window: empty when the BCU kept quiet.
    std::vector<uint8_t> readFor(Milliseconds window);

private:
    bool fill(Clock::time_point deadline);

    UniqueFd fd_;
    std::deque<uint8_t> pending_;
};

}  // namespace lintor::test
