#include "platform/address_filter.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <utility>

namespace lintor {
namespace {

constexpr unsigned maxPrefix(Cidr::Family family) { return family == Cidr::Family::V4 ? 32 : 128; }

std::optional<unsigned> parsePrefix(std::string_view text) {
    if (text.empty() || text.size() > 3) return std::nullopt;
    if (text.size() > 1 && text.front() == '0') return std::nullopt;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    unsigned value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

void clearHostBits(Cidr& cidr) {
    for (size_t i = 0; i < cidr.address.size(); ++i) {
        const int kept = static_cast<int>(cidr.prefixLength) - static_cast<int>(i * 8);
        if (kept >= 8) continue;
        cidr.address[i] &= kept <= 0 ? 0 : static_cast<uint8_t>(0xFF << (8 - kept));
    }
}

bool inNetwork(const Cidr& rule, const uint8_t* address) {
    const unsigned fullBytes = rule.prefixLength / 8;
    if (std::memcmp(rule.address.data(), address, fullBytes) != 0) return false;
    const unsigned bits = rule.prefixLength % 8;
    if (bits == 0) return true;
    const auto mask = static_cast<uint8_t>(0xFF << (8 - bits));
    return ((rule.address[fullBytes] ^ address[fullBytes]) & mask) == 0;
}

}  // namespace

std::optional<Cidr> parseCidr(std::string_view text) {
    const size_t slash = text.find('/');
    const std::string_view host = text.substr(0, slash);
    // inet_pton needs a terminated copy; an embedded NUL would cut it short.
    if (host.empty() || host.size() >= INET6_ADDRSTRLEN || host.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    char terminated[INET6_ADDRSTRLEN] = {};
    host.copy(terminated, host.size());

    Cidr cidr;
    if (::inet_pton(AF_INET, terminated, cidr.address.data()) == 1) {
        cidr.family = Cidr::Family::V4;
    } else if (::inet_pton(AF_INET6, terminated, cidr.address.data()) == 1) {
        cidr.family = Cidr::Family::V6;
    } else {
        return std::nullopt;
    }
    unsigned prefix = maxPrefix(cidr.family);
    if (slash != std::string_view::npos) {
        const auto parsed = parsePrefix(text.substr(slash + 1));
        if (!parsed || *parsed > prefix) return std::nullopt;
        prefix = *parsed;
    }
    cidr.prefixLength = static_cast<uint8_t>(prefix);
    clearHostBits(cidr);
    return cidr;
}

std::string formatCidr(const Cidr& cidr) {
    char host[INET6_ADDRSTRLEN] = {};
    ::inet_ntop(cidr.family == Cidr::Family::V4 ? AF_INET : AF_INET6, cidr.address.data(), host, sizeof host);
    return std::string(host) + '/' + std::to_string(cidr.prefixLength);
}

AddressFilter::AddressFilter(std::vector<Cidr> rules) : rules_(std::move(rules)) {}

bool AddressFilter::matches(Cidr::Family family, const uint8_t* address) const {
    return std::ranges::any_of(rules_,
                               [&](const Cidr& rule) { return rule.family == family && inNetwork(rule, address); });
}

bool AddressFilter::allows(const sockaddr* address, socklen_t length) const {
    if (rules_.empty()) return true;
    if (address == nullptr || length < static_cast<socklen_t>(sizeof(sa_family_t))) return false;
    sa_family_t family = AF_UNSPEC;
    std::memcpy(&family, &address->sa_family, sizeof family);
    if (family == AF_INET && length >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
        sockaddr_in v4;
        std::memcpy(&v4, address, sizeof v4);
        return matches(Cidr::Family::V4, reinterpret_cast<const uint8_t*>(&v4.sin_addr));
    }
    if (family != AF_INET6 || length < static_cast<socklen_t>(sizeof(sockaddr_in6))) return false;
    sockaddr_in6 v6;
    std::memcpy(&v6, address, sizeof v6);
    const uint8_t* bytes = v6.sin6_addr.s6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr) && matches(Cidr::Family::V4, bytes + 12)) return true;
    return matches(Cidr::Family::V6, bytes);
}

}  // namespace lintor
