#include "knxip/knxip_service.h"

#include <netinet/in.h>

#include <array>
#include <cerrno>

#include "platform/log.h"
#include "platform/tcp_socket.h"

namespace lintor::knxip {
namespace {

// Larger than any frame we take: a standard frame's tunnelling request is
// 31 bytes, a search request 14.
constexpr size_t kDatagramBufferSize = 512;
// Datagrams read per wake-up, so that a flood leaves the loop time for the bus.
constexpr int kDatagramsPerWakeUp = 64;

}  // namespace

KnxIpService::KnxIpService(EventLoop& loop, ServiceSettings settings, DownlinkWriter downlink, StatusSink status,
                           ResetSink reset, DownlinkWithdrawer withdraw)
    : loop_(loop),
      server_(std::move(settings.tunnels), *this),
      downlink_(std::move(downlink)),
      status_(std::move(status)),
      reset_(std::move(reset)),
      withdraw_(std::move(withdraw)),
      allow_(std::move(settings.allow)) {
    auto bound = bindUdp(settings.listenAddress, settings.port);
    if (!bound.ok()) {
        error_ = bound.error();
        return;
    }
    socket_ = bound.take();
    port_ = boundPort(socket_.get());
    if (settings.listenAddress.empty() && !joinMulticastGroup(socket_.get(), MULTICAST_GROUP)) {
        log::notice("KNXnet/IP: no multicast on this host (" + errorText(errno) +
                    "): clients must be given the address; searches by multicast go unanswered");
    }
    watch_ = loop_.watch(socket_.get(), {.read = true}, [this](EventLoop::Readiness) { readDatagrams(); });
    timer_ = loop_.timer([this] { expire(); });
}

KnxIpService::~KnxIpService() {
    if (socket_) server_.disconnectAll();
}

void KnxIpService::uplinkRecord(std::span<const uint8_t> record, Delivery delivery) {
    server_.uplinkRecord(record, loop_.now(), delivery);
    rearm();
}

void KnxIpService::readDatagrams() {
    std::array<uint8_t, kDatagramBufferSize> buffer{};
    for (int i = 0; i < kDatagramsPerWakeUp; ++i) {
        const auto received = receiveDatagram(socket_.get(), buffer);
        if (!received.ok()) break;
        const ReceivedDatagram& datagram = received.value();
        if (!allowed(datagram.from)) continue;
        if (datagram.truncated) {
            log::debug("KNXnet/IP: ignored an oversized datagram from " + datagram.from.text());
            continue;
        }
        server_.receive(datagram.from, std::span(buffer).first(datagram.size), loop_.now(), datagram.local);
    }
    rearm();
}

bool KnxIpService::allowed(const UdpEndpoint& peer) {
    if (allow_.empty()) return true;
    const sockaddr_in address = socketAddressOf(peer);
    if (allow_.allows(reinterpret_cast<const sockaddr*>(&address), sizeof address)) return true;
    if (refusedLog_.admit(loop_.now())) {
        log::notice("KNXnet/IP: ignored " + peer.text() + ", which the allowed addresses leave out" +
                    refusedLog_.occurrencesNote());
    }
    return false;
}

void KnxIpService::expire() {
    server_.expire(loop_.now());
    rearm();
}

void KnxIpService::rearm() {
    if (!timer_) return;  // not listening
    if (const auto next = server_.nextDeadline()) {
        timer_.startAt(*next);
    } else {
        timer_.stop();
    }
}

void KnxIpService::sendDatagram(const UdpEndpoint& to, uint32_t local, std::span<const uint8_t> bytes) {
    auto sent = lintor::sendDatagram(socket_.get(), to, bytes, local);
    // An address that has left the host, or loopback towards another host
    // (through a port forward): the route's own source then.
    if (!sent.ok() && local != 0 &&
        (sent.error() == EINVAL || sent.error() == EADDRNOTAVAIL || sent.error() == ENETUNREACH)) {
        sent = lintor::sendDatagram(socket_.get(), to, bytes);
    }
    if (!sent.ok() && sendFailedLog_.admit(loop_.now())) {
        log::warning("KNXnet/IP: cannot send to " + to.text() + ": " + errorText(sent.error()) +
                     sendFailedLog_.occurrencesNote());
    }
}

UdpEndpoint KnxIpService::localEndpointFor(const UdpEndpoint& peer, uint32_t local) {
    return {local != 0 ? local : localAddressTowards(socket_.get(), peer), port_};
}

void KnxIpService::tunnelOpened(size_t tunnel, const UdpEndpoint& peer) {
    const std::string name = "tunnel " + std::to_string(tunnel);
    status_("KNXnet/IP: " + name + " connected from " + peer.text(), name + " connected..");
}

void KnxIpService::tunnelClosed(size_t tunnel, std::string_view reason) {
    log::info("KNXnet/IP: tunnel " + std::to_string(tunnel) + " closed: " + std::string(reason));
    status_("KNXnet/IP: tunnel " + std::to_string(tunnel) + " closed", "tunnel " + std::to_string(tunnel) + " closed");
}

}  // namespace lintor::knxip
