#include "tests/support/tcp_client.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "tests/support/event_loop.h"

namespace lintor::test {

TcpClient::TcpClient(uint16_t port, int receiveBufferBytes) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (receiveBufferBytes > 0) {
        ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVBUF, &receiveBufferBytes, sizeof receiveBufferBytes);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Loopback connects complete at once or are refused at once.
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 || errno == EINPROGRESS) {
        fd_ = std::move(fd);
    }
}

bool TcpClient::send(std::span<const uint8_t> bytes) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!bytes.empty() && std::chrono::steady_clock::now() < deadline) {
        const ssize_t n = ::send(fd_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n > 0) {
            bytes = bytes.subspan(static_cast<size_t>(n));
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            processEventsFor(std::chrono::milliseconds(1));
        }
    }
    return bytes.empty();
}

bool TcpClient::readAvailable() {
    uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd_.get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            received_.insert(received_.end(), buffer, buffer + n);
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) ended_ = true;
        return !ended_;
    }
}

std::vector<uint8_t> TcpClient::receive(size_t count, std::chrono::milliseconds timeout) {
    processEventsUntil(
        [&] {
            readAvailable();
            return received_.size() >= count || ended_;
        },
        timeout);
    const size_t take = std::min(count, received_.size());
    std::vector<uint8_t> out(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(take));
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(take));
    return out;
}

std::vector<uint8_t> TcpClient::receiveFor(std::chrono::milliseconds duration) {
    processEventsUntil(
        [&] {
            readAvailable();
            return ended_;
        },
        duration);
    return std::exchange(received_, {});
}

bool TcpClient::waitForClose(std::chrono::milliseconds timeout) {
    return processEventsUntil(
        [&] {
            readAvailable();
            return ended_;
        },
        timeout);
}

void TcpClient::shutdownSending() { ::shutdown(fd_.get(), SHUT_WR); }

int openFileDescriptors() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir) != nullptr) ++count;
        ::closedir(dir);
    }
    return count;
}

}  // namespace lintor::test
