#include "platform/display_probe.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstring>

#include "platform/unique_fd.h"

namespace lintor {
namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr int kXTcpPortBase = 6000;

bool connectUnix(const std::string& path, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const auto length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstract ? 0 : 1));
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    return fd && ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), length) == 0;
}

bool connectTcp(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
    bool reached = false;
    for (addrinfo* a = found; a && !reached; a = a->ai_next) {
        UniqueFd fd(::socket(a->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!fd) continue;
        if (::connect(fd.get(), a->ai_addr, a->ai_addrlen) == 0) {
            reached = true;
        } else if (errno == EINPROGRESS) {
            pollfd p{fd.get(), POLLOUT, 0};
            int error = 0;
            socklen_t length = sizeof error;
            reached = ::poll(&p, 1, kConnectTimeoutMs) == 1 &&
                      ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        }
    }
    ::freeaddrinfo(found);
    return reached;
}

}  // namespace

bool xDisplayReachable(const std::string& display) {
    const size_t colon = display.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string host = display.substr(0, colon);
    int number = 0;
    const char* digits = display.c_str() + colon + 1;
    const auto [end, error] = std::from_chars(digits, display.c_str() + display.size(), number);
    if (error != std::errc{} || end == digits) return false;

    if (host.empty() || host == "unix") {
        const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
        return connectUnix(path, true) || connectUnix(path, false);
    }
    return connectTcp(host, kXTcpPortBase + number);
}

bool waylandDisplayReachable(const std::string& waylandDisplay, const std::string& runtimeDir) {
    if (waylandDisplay.empty()) return false;
    if (waylandDisplay.front() == '/') return connectUnix(waylandDisplay, false);
    if (runtimeDir.empty()) return false;
    return connectUnix(runtimeDir + "/" + waylandDisplay, false);
}

}  // namespace lintor
