#include "platform/address_filter.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/tcp_socket.h"
#include "platform/unique_fd.h"

namespace lintor {

void PrintTo(const Cidr& cidr, std::ostream* out) {
    *out << (cidr.family == Cidr::Family::V4 ? "v4" : "v6") << " [";
    for (const uint8_t b : cidr.address) *out << ' ' << static_cast<int>(b);
    *out << " ] /" << static_cast<int>(cidr.prefixLength);
}

namespace {

using Family = Cidr::Family;

// Peers are built with libc's inet_pton, apart from the code under test.
PeerAddress v4Peer(const char* text, uint16_t port = 0) {
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = htons(port);
    EXPECT_EQ(inet_pton(AF_INET, text, &v4.sin_addr), 1) << text;
    PeerAddress peer;
    std::memcpy(&peer.storage, &v4, sizeof v4);
    peer.length = sizeof v4;
    return peer;
}

PeerAddress v6Peer(const char* text, uint16_t port = 0, uint32_t scope = 0) {
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(port);
    v6.sin6_scope_id = scope;
    EXPECT_EQ(inet_pton(AF_INET6, text, &v6.sin6_addr), 1) << text;
    PeerAddress peer;
    std::memcpy(&peer.storage, &v6, sizeof v6);
    peer.length = sizeof v6;
    return peer;
}

PeerAddress peerOf(const char* text) { return std::strchr(text, ':') ? v6Peer(text) : v4Peer(text); }

AddressFilter filterOf(std::initializer_list<const char*> rules) {
    std::vector<Cidr> parsed;
    for (const char* rule : rules) {
        const auto cidr = parseCidr(rule);
        EXPECT_TRUE(cidr) << rule;
        if (cidr) parsed.push_back(*cidr);
    }
    return AddressFilter(std::move(parsed));
}

TEST(CidrParse, AcceptedTextsGiveTheNetwork) {
    struct Case {
        const char* text;
        Cidr expected;
    };
    const Case cases[] = {
        {"192.0.2.0/24", Cidr{Family::V4, {192, 0, 2, 0}, 24}},
        {"10.1.2.3", Cidr{Family::V4, {10, 1, 2, 3}, 32}},
        {"10.1.2.3/32", Cidr{Family::V4, {10, 1, 2, 3}, 32}},
        {"0.0.0.0/0", Cidr{Family::V4, {0, 0, 0, 0}, 0}},
        {"255.255.255.255/1", Cidr{Family::V4, {128, 0, 0, 0}, 1}},
        // Host bits are cleared, not refused.
        {"192.0.2.7/24", Cidr{Family::V4, {192, 0, 2, 0}, 24}},
        {"172.31.255.255/12", Cidr{Family::V4, {172, 16, 0, 0}, 12}},
        {"10.9.8.7/0", Cidr{Family::V4, {0, 0, 0, 0}, 0}},
        {"2001:db8::/32", Cidr{Family::V6, {0x20, 0x01, 0x0d, 0xb8}, 32}},
        {"2001:db8:ffff::1/33", Cidr{Family::V6, {0x20, 0x01, 0x0d, 0xb8, 0x80}, 33}},
        {"::1", Cidr{Family::V6, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 128}},
        {"::/0", Cidr{Family::V6, {}, 0}},
        {"ffff::/1", Cidr{Family::V6, {0x80}, 1}},
        {"2001:db8::3/127", Cidr{Family::V6, {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}, 127}},
        // A mapped address stays an IPv6 rule.
        {"::ffff:192.0.2.0/120", Cidr{Family::V6, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 192, 0, 2, 0}, 120}},
        {"FFFF:FFFF:FFFF:FFFF:FFFF:FFFF:255.255.255.255/128",
         Cidr{Family::V6,
              {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 255, 255, 255, 255},
              128}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = parseCidr(c.text);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(*parsed, c.expected);
    }
}

TEST(CidrParse, RejectedTexts) {
    struct Case {
        const char* why;
        std::string_view text;
    };
    const Case cases[] = {
        {"empty", ""},
        {"prefix only", "/24"},
        {"no prefix after slash", "10.0.0.0/"},
        {"v4 prefix too long", "10.0.0.0/33"},
        {"v6 prefix too long", "2001:db8::/129"},
        {"four digit prefix", "10.0.0.0/1000"},
        {"negative prefix", "10.0.0.0/-1"},
        {"signed prefix", "10.0.0.0/+8"},
        {"leading zero in prefix", "10.0.0.0/08"},
        {"zero written twice", "10.0.0.0/00"},
        {"space in prefix", "10.0.0.0/ 8"},
        {"hex prefix", "10.0.0.0/0x8"},
        {"two slashes", "10.0.0.0/8/8"},
        {"leading space", " 10.0.0.1"},
        {"trailing space", "10.0.0.1 "},
        {"trailing space after prefix", "10.0.0.0/8 "},
        {"trailing newline", "10.0.0.1\n"},
        {"trailing garbage", "2001:db8::/32x"},
        {"embedded NUL", std::string_view("10.0.0.1\0junk", 13)},
        {"three octets", "10.0.0"},
        {"octet above 255", "256.0.0.1"},
        {"leading zero octet", "010.0.0.1"},
        {"hex octet", "0x0a.0.0.1"},
        {"with a port", "10.0.0.1:80"},
        {"bracketed v6", "[::1]"},
        {"zone index", "fe80::1%eth0"},
        {"hostname", "localhost"},
        {"overlong text", "0000:0000:0000:0000:0000:0000:0000:0000:0000:0000/8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_FALSE(parseCidr(c.text));
    }
}

TEST(CidrFormat, NetworksAreShownInShortForm) {
    struct Case {
        Cidr cidr;
        const char* text;
    };
    const Case cases[] = {
        {Cidr{Family::V4, {192, 0, 2, 0}, 24}, "192.0.2.0/24"},
        {Cidr{Family::V4, {10, 1, 2, 3}, 32}, "10.1.2.3/32"},
        {Cidr{Family::V4, {}, 0}, "0.0.0.0/0"},
        {Cidr{Family::V6, {0x20, 0x01, 0x0d, 0xb8}, 32}, "2001:db8::/32"},
        {Cidr{Family::V6, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 128}, "::1/128"},
        {Cidr{Family::V6, {}, 0}, "::/0"},
        {Cidr{Family::V6, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 192, 0, 2, 0}, 120}, "::ffff:192.0.2.0/120"},
    };
    for (const Case& c : cases) EXPECT_EQ(formatCidr(c.cidr), c.text);
}

struct MatchCase {
    const char* rule;
    const char* peer;
    bool allowed;
};

void expectMatches(std::initializer_list<MatchCase> cases) {
    for (const MatchCase& c : cases) {
        SCOPED_TRACE(std::string(c.rule) + " vs " + c.peer);
        EXPECT_EQ(filterOf({c.rule}).allows(peerOf(c.peer)), c.allowed);
    }
}

TEST(AddressFilterMatch, Ipv4PrefixBoundaries) {
    expectMatches({
        {"0.0.0.0/0", "0.0.0.0", true},
        {"0.0.0.0/0", "255.255.255.255", true},
        {"128.0.0.0/1", "128.0.0.0", true},
        {"128.0.0.0/1", "255.255.255.255", true},
        {"128.0.0.0/1", "127.255.255.255", false},
        {"172.16.0.0/12", "172.16.0.0", true},
        {"172.16.0.0/12", "172.31.255.255", true},
        {"172.16.0.0/12", "172.15.255.255", false},
        {"172.16.0.0/12", "172.32.0.0", false},
        {"192.0.2.0/24", "192.0.2.0", true},
        {"192.0.2.0/24", "192.0.2.255", true},
        {"192.0.2.0/24", "192.0.1.255", false},
        {"192.0.2.0/24", "192.0.3.0", false},
        {"192.0.2.4/31", "192.0.2.4", true},
        {"192.0.2.4/31", "192.0.2.5", true},
        {"192.0.2.4/31", "192.0.2.3", false},
        {"192.0.2.4/31", "192.0.2.6", false},
        {"192.0.2.7", "192.0.2.7", true},
        {"192.0.2.7/32", "192.0.2.6", false},
        {"192.0.2.7/32", "192.0.2.8", false},
        {"192.0.2.7/24", "192.0.2.200", true},
    });
}

TEST(AddressFilterMatch, Ipv6PrefixBoundaries) {
    expectMatches({
        {"::/0", "::", true},
        {"::/0", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", true},
        {"8000::/1", "8000::", true},
        {"8000::/1", "7fff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", false},
        {"2001:db8::/32", "2001:db8:ffff:ffff:ffff:ffff:ffff:ffff", true},
        {"2001:db8::/32", "2001:db9::", false},
        {"2001:db8::/32", "2001:db7:ffff:ffff:ffff:ffff:ffff:ffff", false},
        {"2001:db8::/127", "2001:db8::", true},
        {"2001:db8::/127", "2001:db8::1", true},
        {"2001:db8::/127", "2001:db8::2", false},
        {"::1", "::1", true},
        {"::1/128", "::", false},
        {"::1/128", "::2", false},
    });
}

TEST(AddressFilterMatch, MappedPeersMatchIpv4RulesAndThemselves) {
    expectMatches({
        {"192.0.2.0/24", "::ffff:192.0.2.10", true},
        {"192.0.2.0/24", "::ffff:192.0.3.10", false},
        {"0.0.0.0/0", "::ffff:203.0.113.1", true},
        {"::ffff:192.0.2.0/120", "::ffff:192.0.2.10", true},
        {"::/0", "::ffff:192.0.2.10", true},
        // Only the ::ffff:0:0/96 form carries an IPv4 address.
        {"192.0.2.0/24", "::192.0.2.10", false},
        {"192.0.2.0/24", "64:ff9b::192.0.2.10", false},
        {"192.0.2.0/24", "::fffe:192.0.2.10", false},
        // Rules of one family never see peers of the other.
        {"0.0.0.0/0", "2001:db8::1", false},
        {"::ffff:192.0.2.0/120", "192.0.2.10", false},
    });
}

TEST(AddressFilterMatch, Ipv6RulesAloneRefuseIpv4Peers) {
    const AddressFilter filter = filterOf({"::/0", "2001:db8::/32"});
    EXPECT_FALSE(filter.allows(v4Peer("127.0.0.1")));
    EXPECT_FALSE(filter.allows(v4Peer("0.0.0.0")));
    EXPECT_TRUE(filter.allows(v6Peer("2001:db8::1")));
}

TEST(AddressFilterMatch, AnyRuleSuffices) {
    const AddressFilter filter = filterOf({"10.0.0.0/8", "192.0.2.0/24", "2001:db8::/32"});
    EXPECT_FALSE(filter.empty());
    EXPECT_EQ(filter.rules().size(), 3u);
    EXPECT_TRUE(filter.allows(v4Peer("10.200.1.1")));
    EXPECT_TRUE(filter.allows(v4Peer("192.0.2.1")));
    EXPECT_TRUE(filter.allows(v6Peer("2001:db8::5")));
    EXPECT_FALSE(filter.allows(v4Peer("11.0.0.1")));
    EXPECT_FALSE(filter.allows(v6Peer("2001:db9::5")));
}

TEST(AddressFilterMatch, EmptyFilterAllowsEverything) {
    const AddressFilter filter;
    EXPECT_TRUE(filter.empty());
    EXPECT_TRUE(filter.allows(v4Peer("203.0.113.9")));
    EXPECT_TRUE(filter.allows(v6Peer("2001:db8::9")));
    EXPECT_TRUE(filter.allows(PeerAddress{}));
    sockaddr_un local{};
    local.sun_family = AF_UNIX;
    EXPECT_TRUE(filter.allows(reinterpret_cast<const sockaddr*>(&local), sizeof local));
    EXPECT_TRUE(AddressFilter(std::vector<Cidr>{}).allows(nullptr, 0));
}

TEST(AddressFilterMatch, NonEmptyFilterRefusesWhatIsNotAnIpAddress) {
    const AddressFilter filter = filterOf({"0.0.0.0/0", "::/0"});
    sockaddr_un local{};
    local.sun_family = AF_UNIX;
    EXPECT_FALSE(filter.allows(reinterpret_cast<const sockaddr*>(&local), sizeof local));
    EXPECT_FALSE(filter.allows(nullptr, sizeof(sockaddr_in)));
    EXPECT_FALSE(filter.allows(PeerAddress{}));

    PeerAddress shortV4 = v4Peer("192.0.2.1");
    shortV4.length = sizeof(sockaddr_in) - 1;
    EXPECT_FALSE(filter.allows(shortV4));
    PeerAddress shortV6 = v6Peer("2001:db8::1");
    shortV6.length = sizeof(sockaddr_in6) - 1;
    EXPECT_FALSE(filter.allows(shortV6));
    PeerAddress familyOnly = v4Peer("192.0.2.1");
    familyOnly.length = 1;
    EXPECT_FALSE(filter.allows(familyOnly));
}

TEST(PeerAddressText, FormsByFamily) {
    struct Case {
        const char* name;
        PeerAddress peer;
        const char* text;
    };
    PeerAddress shortV6 = v6Peer("::1", 1);
    shortV6.length = sizeof(sockaddr_in6) - 1;
    PeerAddress local;
    local.storage.ss_family = AF_UNIX;
    local.length = sizeof(sockaddr_un);
    const Case cases[] = {
        {"IPv4", v4Peer("127.0.0.1", 45678), "127.0.0.1:45678"},
        {"IPv4 edges", v4Peer("255.255.255.255", 65535), "255.255.255.255:65535"},
        {"IPv4 port 0", v4Peer("0.0.0.0", 0), "0.0.0.0:0"},
        {"IPv6", v6Peer("::1", 45678), "[::1]:45678"},
        {"IPv6 compressed", v6Peer("2001:0db8:0000:0000:0000:0000:0000:0001", 3671), "[2001:db8::1]:3671"},
        {"mapped IPv4", v6Peer("::ffff:192.0.2.10", 3671), "192.0.2.10:3671"},
        {"compatible is not mapped", v6Peer("::192.0.2.10", 3671), "[::192.0.2.10]:3671"},
        {"scope without interface", v6Peer("fe80::1", 3671, 4000000000u), "[fe80::1%4000000000]:3671"},
        {"nothing known", PeerAddress{}, "unknown"},
        {"truncated", shortV6, "unknown"},
        {"not IP", local, "unknown"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.peer.text(), c.text);
    }
}

TEST(PeerAddressText, ScopeIsShownByInterfaceName) {
    const unsigned loopback = if_nametoindex("lo");
    if (loopback == 0) GTEST_SKIP() << "no interface named lo";
    EXPECT_EQ(v6Peer("fe80::1", 80, loopback).text(), "[fe80::1%lo]:80");
}

// A connected pair on loopback: the accepted end and the client.
struct Connection {
    UniqueFd accepted;
    UniqueFd client;
    PeerAddress fromAccept;
};

// Connects to listenAddress:port from a socket of clientFamily and accepts
// it, waiting on the listener with a deadline. Empty fds when it cannot.
Connection connectOnLoopback(const std::string& listenAddress, int clientFamily, const char* clientTarget,
                             ListeningSocket& listener) {
    Connection result;
    listener = listenTcp(listenAddress, 0, 4);
    if (listener.failure != ListeningSocket::Failure::None) return result;
    const uint16_t port = boundPort(listener.fd.get());

    sockaddr_storage target{};
    socklen_t targetLength = 0;
    if (clientFamily == AF_INET) {
        auto& v4 = reinterpret_cast<sockaddr_in&>(target);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        inet_pton(AF_INET, clientTarget, &v4.sin_addr);
        targetLength = sizeof v4;
    } else {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(target);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        inet_pton(AF_INET6, clientTarget, &v6.sin6_addr);
        targetLength = sizeof v6;
    }
    UniqueFd client(::socket(clientFamily, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!client || ::connect(client.get(), reinterpret_cast<const sockaddr*>(&target), targetLength) != 0) {
        return result;
    }
    pollfd waiting{listener.fd.get(), POLLIN, 0};
    if (::poll(&waiting, 1, 5000) != 1) return result;
    auto accepted = acceptConnection(listener.fd.get(), result.fromAccept);
    if (!accepted.ok()) return result;
    result.accepted = accepted.take();
    result.client = std::move(client);
    return result;
}

TEST(PeerAddressSockets, Ipv4LoopbackPeerIsTheClientsLocalPort) {
    ListeningSocket listener;
    const Connection c = connectOnLoopback("127.0.0.1", AF_INET, "127.0.0.1", listener);
    ASSERT_TRUE(c.accepted) << "listen failure " << static_cast<int>(listener.failure) << ": "
                            << errorText(listener.error);
    const std::string expected = "127.0.0.1:" + std::to_string(boundPort(c.client.get()));
    EXPECT_EQ(c.fromAccept.text(), expected);
    EXPECT_EQ(peerAddress(c.accepted.get()).text(), expected);
    EXPECT_TRUE(filterOf({"127.0.0.0/8"}).allows(c.fromAccept));
    EXPECT_FALSE(filterOf({"10.0.0.0/8"}).allows(c.fromAccept));
}

TEST(PeerAddressSockets, Ipv6LoopbackPeerIsBracketed) {
    ListeningSocket listener;
    const Connection c = connectOnLoopback("::1", AF_INET6, "::1", listener);
    if (!c.accepted) GTEST_SKIP() << "IPv6 loopback unavailable";
    const std::string expected = "[::1]:" + std::to_string(boundPort(c.client.get()));
    EXPECT_EQ(c.fromAccept.text(), expected);
    EXPECT_EQ(peerAddress(c.accepted.get()).text(), expected);
    EXPECT_TRUE(filterOf({"::1"}).allows(c.fromAccept));
    EXPECT_FALSE(filterOf({"127.0.0.0/8"}).allows(c.fromAccept));
}

TEST(PeerAddressSockets, DualStackListenerShowsIpv4ClientAsPlainIpv4) {
    ListeningSocket listener;
    const Connection c = connectOnLoopback("::", AF_INET, "127.0.0.1", listener);
    if (!c.accepted) GTEST_SKIP() << "no dual-stack listener here";
    ASSERT_EQ(c.fromAccept.storage.ss_family, AF_INET6);
    const std::string expected = "127.0.0.1:" + std::to_string(boundPort(c.client.get()));
    EXPECT_EQ(c.fromAccept.text(), expected);
    EXPECT_TRUE(filterOf({"127.0.0.1"}).allows(c.fromAccept));
    EXPECT_FALSE(filterOf({"::1"}).allows(c.fromAccept));
}

TEST(PeerAddressSockets, UnknownWithoutAPeer) {
    EXPECT_EQ(peerAddress(-1).length, 0u);
    EXPECT_EQ(peerAddress(-1).text(), "unknown");

    ListeningSocket listener = listenTcp("127.0.0.1", 0, 4);
    ASSERT_EQ(listener.failure, ListeningSocket::Failure::None);
    EXPECT_EQ(peerAddress(listener.fd.get()).text(), "unknown");

    PeerAddress peer = v4Peer("192.0.2.1", 1);
    const auto nothing = acceptConnection(listener.fd.get(), peer);
    EXPECT_EQ(nothing.error(), EAGAIN);
    EXPECT_EQ(peer.length, 0u);
}

}  // namespace
}  // namespace lintor
