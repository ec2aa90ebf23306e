#pragma once

#include <sys/socket.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tcp_socket.h"

namespace lintor {

// An IPv4 or IPv6 network: the address with its host bits cleared.
struct Cidr {
    enum class Family : uint8_t { V4, V6 };

    Family family = Family::V4;
    std::array<uint8_t, 16> address{};  // network byte order; IPv4 uses the first 4
    uint8_t prefixLength = 0;

    bool operator==(const Cidr&) const = default;
};

// "192.0.2.0/24", "2001:db8::/32", or a bare address meaning /32 or /128.
// Only numeric forms, exactly as inet_pton takes them: no hostnames, no
// whitespace, no zone ("%eth0"). The prefix is plain decimal without a sign
// or leading zeros ("/08" is refused: some tools read it as octal).
// Host bits are cleared, so "192.0.2.7/24" is the network 192.0.2.0/24;
// formatCidr shows the network actually used.
std::optional<Cidr> parseCidr(std::string_view text);

// "192.0.2.0/24", "2001:db8::/32", "::ffff:192.0.2.0/120".
std::string formatCidr(const Cidr& cidr);

// Which peers may connect. A peer matches when it lies in any rule; an
// empty filter admits everyone.
// IPv4 rules match IPv4 peers and v4-mapped IPv6 peers (::ffff:a.b.c.d,
// as a dual-stack socket reports an IPv4 client). IPv6 rules match IPv6
// peers, mapped ones included, so "::/0" admits IPv4 clients on a
// dual-stack socket but not on an IPv4 one. A non-empty filter refuses
// anything that is not a well-formed IPv4 or IPv6 address.
class AddressFilter {
public:
    AddressFilter() = default;
    explicit AddressFilter(std::vector<Cidr> rules);

    bool empty() const { return rules_.empty(); }
    const std::vector<Cidr>& rules() const { return rules_; }

    bool allows(const sockaddr* address, socklen_t length) const;
    bool allows(const PeerAddress& peer) const { return allows(peer.address(), peer.length); }

private:
    bool matches(Cidr::Family family, const uint8_t* address) const;

    std::vector<Cidr> rules_;
};

}  // namespace lintor
