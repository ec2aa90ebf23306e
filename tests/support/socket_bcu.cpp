#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "tests/support/link_fakes.h"

namespace lintor::test {

class SocketBcu::Device final : public SerialDevice {
public:
    explicit Device(int fd) : fd_(fd) {}
    int pollFd() const override { return fd_; }
    SysResult<size_t> readSome(std::span<uint8_t> buffer) override {
        const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n >= 0) return static_cast<size_t>(n);
        if (errno == EAGAIN) return size_t{0};
        return SysResult<size_t>::failure(errno);
    }
    SysResult<size_t> writeSome(std::span<const uint8_t> bytes) override {
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n >= 0) return static_cast<size_t>(n);
        if (errno == EAGAIN) return size_t{0};
        return SysResult<size_t>::failure(errno);
    }
    void discardOutput() override {}

private:
    int fd_;  // the BCU's socket pair outlives every open
};

SocketBcu::SocketBcu() {
    std::array<int, 2> fds{-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds.data()) == 0) {
        hostEnd_ = UniqueFd(fds[0]);
        bcuEnd_ = UniqueFd(fds[1]);
    }
}

OpenedDevice SocketBcu::Opener::open(const std::string&) {
    return {std::make_unique<Device>(bcu_.hostEnd_.get()), 0, {}};
}

std::vector<uint8_t> SocketBcu::takeFromHost() {
    std::vector<uint8_t> out;
    std::array<uint8_t, 512> buffer;
    for (;;) {
        const ssize_t n = ::recv(bcuEnd_.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n <= 0) return out;
        out.insert(out.end(), buffer.begin(), buffer.begin() + n);
    }
}

void SocketBcu::sendToHost(std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(bcuEnd_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return;
        bytes = bytes.subspan(static_cast<size_t>(n));
    }
}

}  // namespace lintor::test
