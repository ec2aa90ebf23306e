#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/sys_result.h"
#include "platform/unique_fd.h"

namespace lintor {

// An IPv4 address and port in host byte order: KNXnet/IP knows no other.
struct UdpEndpoint {
    uint32_t address = 0;
    uint16_t port = 0;

    // "192.0.2.10:3671"
    std::string text() const;
    friend bool operator==(const UdpEndpoint&, const UdpEndpoint&) = default;
};

// The endpoint as the socket calls take it.
sockaddr_in socketAddressOf(const UdpEndpoint& endpoint);

// "192.0.2.10" as a host-order address; nothing for anything else.
std::optional<uint32_t> parseIpv4(std::string_view text);

// A non-blocking, close-on-exec UDP socket bound to address:port; an empty
// address is every IPv4 address. No SO_REUSEADDR: two gateways on one port
// would each see only some of the requests.
SysResult<UniqueFd> bindUdp(const std::string& address, uint16_t port);

// Joins the multicast group on the interfaces the kernel picks; loops our
// own datagrams back off.
bool joinMulticastGroup(int fd, uint32_t group);

struct ReceivedDatagram {
    UdpEndpoint from;
    // Our address the datagram came in on (that of the interface for a
    // multicast one); 0 when the kernel did not say.
    uint32_t local = 0;
    size_t size = 0;         // bytes in the buffer
    bool truncated = false;  // the datagram was longer than the buffer
};

// One datagram, or an error (EAGAIN when none is waiting).
SysResult<ReceivedDatagram> receiveDatagram(int fd, std::span<uint8_t> buffer);
// One datagram; never blocks (EAGAIN when the socket buffer is full). A
// local address other than 0 is the source: on a host with several, an
// answer must come from the address that was asked.
SysResult<size_t> sendDatagram(int fd, const UdpEndpoint& to, std::span<const uint8_t> bytes, uint32_t local = 0);
// The address the socket would send from towards the peer: the address a
// reply to a peer that asked with 0.0.0.0 should name.
uint32_t localAddressTowards(int fd, const UdpEndpoint& peer);

}  // namespace lintor
