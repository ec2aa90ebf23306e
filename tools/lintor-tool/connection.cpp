#include "tools/lintor-tool/connection.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "platform/tcp_socket.h"

namespace lintor::tool {
namespace {

using std::chrono::milliseconds;

std::string lowerFirst(std::string text) {
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

std::string hintFor(int error) {
    if (error == ECONNREFUSED) return " \u2014 is lintord running?";
    if (error == ETIMEDOUT || error == EHOSTUNREACH || error == ENETUNREACH) return " \u2014 is the host reachable?";
    return {};
}

std::string reasonFor(int error) { return lowerFirst(std::strerror(error)) + hintFor(error); }

int pollTimeout(std::optional<Connection::Clock::time_point> deadline) {
    if (!deadline) return -1;
    const auto left = std::chrono::ceil<milliseconds>(*deadline - Connection::Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// 0 when connected, else the errno.
int connectWithin(int fd, const addrinfo& address, Connection::Clock::time_point deadline) {
    if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0) return 0;
    if (errno != EINPROGRESS) return errno;
    pollfd watched{fd, POLLOUT, 0};
    for (;;) {
        const int ready = ::poll(&watched, 1, pollTimeout(deadline));
        if (ready > 0) return takeSocketError(fd);
        if (ready == 0) return ETIMEDOUT;
        if (errno != EINTR) return errno;
    }
}

struct Resolved {
    addrinfo* list = nullptr;
    ~Resolved() {
        if (list) ::freeaddrinfo(list);
    }
};

}  // namespace

std::string Endpoint::text() const {
    const bool ipv6 = host.find(':') != std::string::npos;
    return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::variant<Connection, Connection::Failure> Connection::open(const Endpoint& endpoint, milliseconds timeout) {
    const std::string prefix = "cannot connect to " + endpoint.text() + ": ";
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    Resolved resolved;
    const std::string service = std::to_string(endpoint.port);
    if (const int error = ::getaddrinfo(endpoint.host.c_str(), service.c_str(), &hints, &resolved.list); error != 0) {
        return Failure{prefix + lowerFirst(::gai_strerror(error))};
    }
    const Clock::time_point deadline = Clock::now() + timeout;
    int lastError = EADDRNOTAVAIL;
    for (const addrinfo* address = resolved.list; address; address = address->ai_next) {
        UniqueFd fd(
            ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, address->ai_protocol));
        if (!fd) {
            lastError = errno;
            continue;
        }
        lastError = connectWithin(fd.get(), *address, deadline);
        if (lastError == 0) {
            sendWithoutDelay(fd.get());
            return Connection(std::move(fd), endpoint);
        }
    }
    return Failure{prefix + reasonFor(lastError)};
}

std::optional<Connection::Failure> Connection::sendAll(std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        const SysResult<size_t> sent = sendSome(fd_.get(), bytes);
        if (sent.ok()) {
            bytes = bytes.subspan(sent.value());
            continue;
        }
        if (sent.error() != EAGAIN) {
            return Failure{"cannot send to " + endpoint_.text() + ": " + lowerFirst(errorText(sent.error()))};
        }
        pollfd watched{fd_.get(), POLLOUT, 0};
        ::poll(&watched, 1, -1);
    }
    return std::nullopt;
}

Connection::Received Connection::receive(std::span<uint8_t> buffer, std::optional<Clock::time_point> deadline) {
    pollfd watched{fd_.get(), POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&watched, 1, pollTimeout(deadline));
        if (ready == 0) return TimedOut{};
        if (ready < 0) {
            if (errno == EINTR) continue;
            return Failure{"waiting for " + endpoint_.text() + ": " + lowerFirst(errorText(errno))};
        }
        const SysResult<size_t> got = receiveSome(fd_.get(), buffer);
        if (got.ok()) {
            if (got.value() == 0) return Closed{};
            return got.value();
        }
        if (got.error() == EAGAIN || got.error() == EINTR) continue;
        return Failure{"connection to " + endpoint_.text() + " lost: " + lowerFirst(errorText(got.error()))};
    }
}

}  // namespace lintor::tool
