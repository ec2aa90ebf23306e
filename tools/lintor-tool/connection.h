#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "platform/unique_fd.h"

namespace lintor::tool {

struct Endpoint {
    std::string host;
    uint16_t port = 0;

    // "127.0.0.1:57627", "[::1]:57627"
    std::string text() const;
};

// A blocking TCP connection to the gateway or the proxy, with deadlines.
class Connection {
public:
    using Clock = std::chrono::steady_clock;
    struct Failure {
        std::string message;
    };
    struct TimedOut {};
    struct Closed {};
    using Received = std::variant<size_t, TimedOut, Closed, Failure>;

    // Failure names the endpoint and, where it helps, what to check:
    // "cannot connect to 127.0.0.1:57627: connection refused — is lintord running?"
    static std::variant<Connection, Failure> open(const Endpoint& endpoint, std::chrono::milliseconds timeout);

    std::optional<Failure> sendAll(std::span<const uint8_t> bytes);
    // Waits until bytes arrive, the peer closes, or the deadline passes
    // (none: wait for ever).
    Received receive(std::span<uint8_t> buffer, std::optional<Clock::time_point> deadline);

    const Endpoint& endpoint() const { return endpoint_; }

private:
    Connection(UniqueFd fd, Endpoint endpoint) : fd_(std::move(fd)), endpoint_(std::move(endpoint)) {}

    UniqueFd fd_;
    Endpoint endpoint_;
};

}  // namespace lintor::tool
