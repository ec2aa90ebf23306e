#include "platform/udp_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

namespace lintor {

sockaddr_in socketAddressOf(const UdpEndpoint& endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(endpoint.address);
    address.sin_port = htons(endpoint.port);
    return address;
}

std::string UdpEndpoint::text() const {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF) + ":" + std::to_string(port);
}

std::optional<uint32_t> parseIpv4(std::string_view text) {
    in_addr address{};
    if (::inet_pton(AF_INET, std::string(text).c_str(), &address) != 1) return std::nullopt;
    return ntohl(address.s_addr);
}

SysResult<UniqueFd> bindUdp(const std::string& address, uint16_t port) {
    UdpEndpoint local{INADDR_ANY, port};
    if (!address.empty()) {
        const auto parsed = parseIpv4(address);
        if (!parsed) return SysResult<UniqueFd>::failure(EAFNOSUPPORT);
        local.address = *parsed;
    }
    UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd) return SysResult<UniqueFd>::failure(errno);
    const int on = 1;
    // Each datagram then tells the address it came in on.
    ::setsockopt(fd.get(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    const sockaddr_in where = socketAddressOf(local);
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0) {
        return SysResult<UniqueFd>::failure(errno);
    }
    return fd;
}

bool joinMulticastGroup(int fd, uint32_t group) {
    ip_mreqn request{};
    request.imr_multiaddr.s_addr = htonl(group);
    request.imr_address.s_addr = htonl(INADDR_ANY);
    const unsigned char loop = 0;
    return ::setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) == 0 &&
           ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) == 0;
}

SysResult<ReceivedDatagram> receiveDatagram(int fd, std::span<uint8_t> buffer) {
    sockaddr_storage from{};
    iovec piece{buffer.data(), buffer.size()};
    alignas(cmsghdr) std::array<uint8_t, CMSG_SPACE(sizeof(in_pktinfo))> control{};
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &piece;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    ssize_t n = 0;
    do {
        n = ::recvmsg(fd, &message, MSG_TRUNC);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return SysResult<ReceivedDatagram>::failure(errno);
    ReceivedDatagram datagram;
    if (from.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(from);
        datagram.from = {ntohl(v4.sin_addr.s_addr), ntohs(v4.sin_port)};
    }
    for (cmsghdr* entry = CMSG_FIRSTHDR(&message); entry != nullptr; entry = CMSG_NXTHDR(&message, entry)) {
        if (entry->cmsg_level != IPPROTO_IP || entry->cmsg_type != IP_PKTINFO) continue;
        in_pktinfo info{};
        std::memcpy(&info, CMSG_DATA(entry), sizeof info);
        datagram.local = ntohl(info.ipi_spec_dst.s_addr);
    }
    // With MSG_TRUNC the kernel reports the datagram's real length.
    datagram.truncated = static_cast<size_t>(n) > buffer.size();
    datagram.size = datagram.truncated ? buffer.size() : static_cast<size_t>(n);
    return datagram;
}

SysResult<size_t> sendDatagram(int fd, const UdpEndpoint& to, std::span<const uint8_t> bytes, uint32_t local) {
    sockaddr_in where = socketAddressOf(to);
    // sendmsg() takes the bytes without const.
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    iovec piece{copy.data(), copy.size()};
    alignas(cmsghdr) std::array<uint8_t, CMSG_SPACE(sizeof(in_pktinfo))> control{};
    msghdr message{};
    message.msg_name = &where;
    message.msg_namelen = sizeof where;
    message.msg_iov = &piece;
    message.msg_iovlen = 1;
    if (local != 0) {
        message.msg_control = control.data();
        message.msg_controllen = control.size();
        cmsghdr* entry = CMSG_FIRSTHDR(&message);
        entry->cmsg_level = IPPROTO_IP;
        entry->cmsg_type = IP_PKTINFO;
        entry->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_spec_dst.s_addr = htonl(local);
        std::memcpy(CMSG_DATA(entry), &info, sizeof info);
    }
    for (;;) {
        const ssize_t n = ::sendmsg(fd, &message, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n >= 0) return static_cast<size_t>(n);
        if (errno != EINTR) return SysResult<size_t>::failure(errno);
    }
}

uint32_t localAddressTowards(int fd, const UdpEndpoint& peer) {
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) == 0 && bound.sin_addr.s_addr != 0) {
        return ntohl(bound.sin_addr.s_addr);
    }
    // Bound to every address: a connected probe socket shows the route's source.
    const UniqueFd probe(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    const sockaddr_in where = socketAddressOf(peer);
    sockaddr_in source{};
    length = sizeof source;
    if (!probe || ::connect(probe.get(), reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 ||
        ::getsockname(probe.get(), reinterpret_cast<sockaddr*>(&source), &length) != 0) {
        return 0;
    }
    return ntohl(source.sin_addr.s_addr);
}

}  // namespace lintor
