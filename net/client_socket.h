#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "net/send_queue.h"
#include "platform/event_loop.h"
#include "platform/sys_result.h"
#include "platform/tcp_socket.h"
#include "platform/unique_fd.h"

namespace lintor {

class SocketServer;

// One accepted connection. Its readiness arrives through the event loop, on
// its thread; sends never block: what the socket does not take at once waits
// in a bounded queue.
class ClientSocket {
public:
    enum class Offer { Taken, Refused, Broken };

    ClientSocket(EventLoop& loop, UniqueFd fd, uint64_t id, std::string peer, size_t queueCapacity);
    // Readiness from now on goes to onReady, until the client is retired.
    void watch(EventLoop::ReadyCallback onReady);
    ClientSocket(const ClientSocket&) = delete;
    ClientSocket& operator=(const ClientSocket&) = delete;

    uint64_t id() const { return id_; }
    // "192.0.2.10:50123"
    const std::string& peer() const { return peer_; }

    // The peer has shut down its sending side; it may still receive.
    bool peerClosed() const { return peerClosed_; }
    bool closedReported() const { return closedReported_; }
    bool retired() const { return retired_; }
    std::optional<Clock::time_point> stalledSince() const { return stalledSince_; }

    SysResult<size_t> receive(std::span<uint8_t> buffer);
    // Sends what the socket takes and queues the rest; a block that does not
    // fit the queue is refused whole.
    Offer offer(OutgoingBlock& block);
    // Moves queued bytes on when the socket is writable; false when broken.
    bool flush();

    void markPeerClosed();
    // While held, nothing is read: the peer's bytes wait in its socket, and
    // TCP holds the peer back once the socket's buffer is full. The bytes
    // of the last receive that were not taken wait here.
    void holdReading(std::span<const uint8_t> untaken);
    // Reading again; what was held back, to be taken first.
    std::vector<uint8_t> resumeReading();
    bool readingHeld() const { return readingHeld_; }
    // The error the connection has met since asked last; 0 for none.
    int takeError() { return takeSocketError(fd_.get()); }
    void markClosedReported() { closedReported_ = true; }
    // Out of service: no more readiness, awaiting removal.
    void retire();

private:
    void updateInterest();

    EventLoop& loop_;
    UniqueFd fd_;
    uint64_t id_;
    std::string peer_;
    SendQueue queue_;
    // Declared after the descriptor: out of the loop before it closes.
    EventLoop::Watch watch_;
    EventLoop::Interest interest_{.read = true, .write = false};
    std::optional<Clock::time_point> stalledSince_;
    std::vector<uint8_t> untaken_;
    bool readingHeld_ = false;
    bool peerClosed_ = false;
    bool closedReported_ = false;
    bool retired_ = false;
};

}  // namespace lintor
