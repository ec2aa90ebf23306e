#pragma once

#include <sys/socket.h>
#include <sys/uio.h>

#include <cstdint>
#include <span>
#include <string>

#include "platform/sys_result.h"
#include "platform/unique_fd.h"

namespace lintor {

struct ListeningSocket {
    enum class Failure { None, Create, Listen };

    UniqueFd fd;
    Failure failure = Failure::None;
    int error = 0;  // errno of the step that failed
};

// A non-blocking listening TCP socket with SO_REUSEADDR. An empty address
// means every IPv4 address; otherwise a numeric IPv4 or IPv6 address.
// Creating and binding count as "create", as on the platform the texts
// "Socket.Create failed" and "Socket.Listen failed" come from.
ListeningSocket listenTcp(const std::string& address, uint16_t port, int backlog);

// true for "", an IPv4 or an IPv6 literal.
bool isListenAddress(const std::string& address);

// A non-blocking, close-on-exec connection, or EAGAIN when none is waiting.
SysResult<UniqueFd> acceptConnection(int listenFd);

// The address of the other end of a connection, as the kernel reported it.
// length 0 means unknown.
struct PeerAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;

    const sockaddr* address() const { return reinterpret_cast<const sockaddr*>(&storage); }
    // "192.0.2.10:3671", "[2001:db8::1]:3671", "[fe80::1%eth0]:3671", or
    // "unknown". A v4-mapped IPv6 address, as a dual-stack socket reports
    // an IPv4 client, is shown as the plain IPv4 address.
    std::string text() const;
};

// getpeername(); length 0 when it fails.
PeerAddress peerAddress(int fd);

// acceptConnection(int) that also fills peer from the same accept4(), so
// no getpeername() is needed; peer.length is 0 on failure.
SysResult<UniqueFd> acceptConnection(int listenFd, PeerAddress& peer);

// The local port the socket is bound to; 0 on failure.
uint16_t boundPort(int fd);

// Idle connections are probed, so a peer that vanished is noticed.
void enableKeepAlive(int fd);
// Each send goes out at once. With Nagle's rule a record sent while the one
// before is unacknowledged waits for the peer's delayed ACK, up to 40 ms.
void sendWithoutDelay(int fd);
// A peer that has closed its sending side may still read, or may be gone:
// probe it soon rather than after a minute.
void probePeerSoon(int fd);
// The error a connection has met (SO_ERROR, cleared by reading it); 0 for none.
int takeSocketError(int fd);

// send() that never raises SIGPIPE and never blocks: bytes taken, or an
// error (EAGAIN when the socket buffer is full).
SysResult<size_t> sendSome(int fd, std::span<const uint8_t> bytes);
// Several pieces in one call, as writev() would, but without SIGPIPE.
SysResult<size_t> sendPieces(int fd, std::span<iovec> pieces);
// recv() into the buffer: bytes read, 0 at the peer's end of stream, or an
// error (EAGAIN when nothing is waiting).
SysResult<size_t> receiveSome(int fd, std::span<uint8_t> buffer);

}  // namespace lintor
