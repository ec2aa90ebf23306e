#include "platform/tcp_socket.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace lintor {
namespace {

struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
    int family = AF_INET;
};

bool resolve(const std::string& address, uint16_t port, SocketAddress& out) {
    if (address.empty() ||
        inet_pton(AF_INET, address.c_str(), &reinterpret_cast<sockaddr_in&>(out.storage).sin_addr) == 1) {
        auto& v4 = reinterpret_cast<sockaddr_in&>(out.storage);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        if (address.empty()) v4.sin_addr.s_addr = htonl(INADDR_ANY);
        out.length = sizeof v4;
        out.family = AF_INET;
        return true;
    }
    auto& v6 = reinterpret_cast<sockaddr_in6&>(out.storage);
    if (inet_pton(AF_INET6, address.c_str(), &v6.sin6_addr) != 1) return false;
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(port);
    out.length = sizeof v6;
    out.family = AF_INET6;
    return true;
}

SysResult<UniqueFd> acceptWith(int listenFd, sockaddr* address, socklen_t* length) {
    for (;;) {
        const int fd = ::accept4(listenFd, address, length, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) return UniqueFd(fd);
        if (errno != EINTR) return SysResult<UniqueFd>::failure(errno);
    }
}

// Link-local addresses repeat on every interface; the scope tells them apart.
std::string scopeText(uint32_t scopeId) {
    char name[IF_NAMESIZE] = {};
    if (::if_indextoname(scopeId, name) != nullptr) return name;
    return std::to_string(scopeId);
}

}  // namespace

bool isListenAddress(const std::string& address) {
    SocketAddress unused;
    return resolve(address, 0, unused);
}

ListeningSocket listenTcp(const std::string& address, uint16_t port, int backlog) {
    ListeningSocket result;
    SocketAddress where;
    if (!resolve(address, port, where)) {
        result.failure = ListeningSocket::Failure::Create;
        result.error = EINVAL;
        return result;
    }
    UniqueFd fd(::socket(where.family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const int reuse = 1;
    if (!fd || ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
        ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&where.storage), where.length) != 0) {
        result.failure = ListeningSocket::Failure::Create;
        result.error = errno;
        return result;
    }
    if (::listen(fd.get(), backlog) != 0) {
        result.failure = ListeningSocket::Failure::Listen;
        result.error = errno;
        return result;
    }
    result.fd = std::move(fd);
    return result;
}

SysResult<UniqueFd> acceptConnection(int listenFd) { return acceptWith(listenFd, nullptr, nullptr); }

SysResult<UniqueFd> acceptConnection(int listenFd, PeerAddress& peer) {
    peer = PeerAddress{};
    socklen_t length = sizeof peer.storage;
    auto connection = acceptWith(listenFd, reinterpret_cast<sockaddr*>(&peer.storage), &length);
    if (connection.ok()) peer.length = std::min<socklen_t>(length, sizeof peer.storage);
    return connection;
}

PeerAddress peerAddress(int fd) {
    PeerAddress peer;
    socklen_t length = sizeof peer.storage;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer.storage), &length) != 0) return PeerAddress{};
    peer.length = std::min<socklen_t>(length, sizeof peer.storage);
    return peer;
}

std::string PeerAddress::text() const {
    char host[INET6_ADDRSTRLEN] = {};
    if (storage.ss_family == AF_INET && length >= sizeof(sockaddr_in)) {
        sockaddr_in v4;
        std::memcpy(&v4, &storage, sizeof v4);
        ::inet_ntop(AF_INET, &v4.sin_addr, host, sizeof host);
        return std::string(host) + ':' + std::to_string(ntohs(v4.sin_port));
    }
    if (storage.ss_family != AF_INET6 || length < sizeof(sockaddr_in6)) return "unknown";
    sockaddr_in6 v6;
    std::memcpy(&v6, &storage, sizeof v6);
    const std::string port = std::to_string(ntohs(v6.sin6_port));
    if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
        ::inet_ntop(AF_INET, &v6.sin6_addr.s6_addr[12], host, sizeof host);
        return std::string(host) + ':' + port;
    }
    ::inet_ntop(AF_INET6, &v6.sin6_addr, host, sizeof host);
    std::string text = std::string("[") + host;
    if (v6.sin6_scope_id != 0) text += '%' + scopeText(v6.sin6_scope_id);
    return text + "]:" + port;
}

uint16_t boundPort(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return 0;
}

namespace {

void setKeepAliveTiming(int fd, int idleSeconds, int intervalSeconds, int probes) {
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof intervalSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
}

}  // namespace

void enableKeepAlive(int fd) {
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    setKeepAliveTiming(fd, 60, 10, 5);
}

void sendWithoutDelay(int fd) {
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void probePeerSoon(int fd) { setKeepAliveTiming(fd, 5, 5, 2); }

int takeSocketError(int fd) {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
    return error;
}

SysResult<size_t> sendPieces(int fd, std::span<iovec> pieces) {
    msghdr message{};
    message.msg_iov = pieces.data();
    message.msg_iovlen = pieces.size();
    for (;;) {
        const ssize_t n = ::sendmsg(fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) return static_cast<size_t>(n);
        if (errno != EINTR) return SysResult<size_t>::failure(errno);
    }
}

SysResult<size_t> sendSome(int fd, std::span<const uint8_t> bytes) {
    for (;;) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) return static_cast<size_t>(n);
        if (errno != EINTR) return SysResult<size_t>::failure(errno);
    }
}

SysResult<size_t> receiveSome(int fd, std::span<uint8_t> buffer) {
    for (;;) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n >= 0) return static_cast<size_t>(n);
        if (errno != EINTR) return SysResult<size_t>::failure(errno);
    }
}

}  // namespace lintor
