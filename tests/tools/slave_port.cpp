#include "tests/tools/slave_port.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace lintor::test {
namespace {

constexpr uint8_t kAck = 0xE5;
constexpr uint8_t kVariableStart = 0x68;
constexpr size_t kHeaderSize = 4;
constexpr size_t kChecksumAndEnd = 2;

}  // namespace

SlavePort::SlavePort(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    if (!fd_) {
        ADD_FAILURE() << "cannot open " << path << ": " << std::strerror(errno);
        return;
    }
    termios settings{};
    if (::tcgetattr(fd_.get(), &settings) == 0) {
        ::cfmakeraw(&settings);
        if (::tcsetattr(fd_.get(), TCSANOW, &settings) == 0) return;
    }
    ADD_FAILURE() << "cannot make " << path << " raw: " << std::strerror(errno);
}

void SlavePort::write(const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(::write(fd_.get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// False once the deadline has passed or the line is gone.
bool SlavePort::fill(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<Milliseconds>(deadline - Clock::now());
    if (left.count() < 0) return false;
    pollfd p{fd_.get(), POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    std::array<uint8_t, 256> buffer;
    const ssize_t n = ::read(fd_.get(), buffer.data(), buffer.size());
    if (n == 0) return false;
    if (n < 0) return errno == EAGAIN || errno == EINTR;
    pending_.insert(pending_.end(), buffer.begin(), buffer.begin() + n);
    return true;
}

std::vector<uint8_t> SlavePort::readBytes(size_t count, Milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (pending_.size() < count && fill(deadline)) {}
    const size_t taken = std::min(count, pending_.size());
    std::vector<uint8_t> out(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(taken));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(taken));
    return out;
}

std::vector<uint8_t> SlavePort::readUnit(Milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    const auto left = [&] { return std::chrono::ceil<Milliseconds>(deadline - Clock::now()); };
    std::vector<uint8_t> unit = readBytes(1, timeout);
    if (unit.empty() || unit[0] == kAck || unit[0] != kVariableStart) return unit;
    for (const uint8_t b : readBytes(kHeaderSize - 1, left())) unit.push_back(b);
    if (unit.size() < kHeaderSize) return unit;
    for (const uint8_t b : readBytes(unit[1] + kChecksumAndEnd, left())) unit.push_back(b);
    return unit;
}

std::vector<uint8_t> SlavePort::readFor(Milliseconds window) {
    const auto deadline = Clock::now() + window;
    while (fill(deadline)) {}
    std::vector<uint8_t> out(pending_.begin(), pending_.end());
    pending_.clear();
    return out;
}

}  // namespace lintor::test
