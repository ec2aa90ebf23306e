#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "knxip/tunnel_server.h"
#include "platform/address_filter.h"
#include "platform/event_loop.h"
#include "platform/log_throttle.h"
#include "platform/unique_fd.h"

namespace lintor::knxip {

struct ServiceSettings {
    std::string listenAddress;  // empty: every IPv4 address, with the multicast group
    uint16_t port = DEFAULT_PORT;
    TunnelSettings tunnels;
    AddressFilter allow;
};

// The KNXnet/IP server on its UDP socket in the event loop: datagrams in,
// the server's deadlines on a timer of the loop, its records to the
// downlink writer.
class KnxIpService final : private TunnelServerEvents {
public:
    // A tunnel's record, and its channel.
    using DownlinkWriter = std::function<bool(std::span<const uint8_t>, uint8_t channel)>;
    // The status line and its short form.
    using StatusSink = std::function<void(const std::string& line, const std::string& brief)>;
    using ResetSink = std::function<void()>;
    // Takes a tunnel's record back from the downlink if it still waits.
    using DownlinkWithdrawer = std::function<bool(std::span<const uint8_t>, uint8_t channel)>;

    KnxIpService(EventLoop& loop, ServiceSettings settings, DownlinkWriter downlink, StatusSink status,
                 ResetSink reset = {}, DownlinkWithdrawer withdraw = {});
    // Tells every client that the connection ends.
    ~KnxIpService() override;
    KnxIpService(const KnxIpService&) = delete;
    KnxIpService& operator=(const KnxIpService&) = delete;

    bool listening() const { return socket_.valid(); }
    // The errno of the bind that failed.
    int error() const { return error_; }
    uint16_t port() const { return port_; }

    void uplinkRecord(std::span<const uint8_t> record, Delivery delivery = Delivery::everyone());
    void setBusConnected(bool connected) { server_.setBusConnected(connected); }
    void setBcuAddress(uint16_t address) { server_.setBcuAddress(address); }
    void setAllow(AddressFilter allow) { allow_ = std::move(allow); }
    const TunnelServer& server() const { return server_; }

private:
    void sendDatagram(const UdpEndpoint& to, uint32_t local, std::span<const uint8_t> bytes) override;
    bool writeDownlink(std::span<const uint8_t> record, uint8_t channel) override { return downlink_(record, channel); }
    bool withdrawDownlink(std::span<const uint8_t> record, uint8_t channel) override {
        return withdraw_ && withdraw_(record, channel);
    }
    UdpEndpoint localEndpointFor(const UdpEndpoint& peer, uint32_t local) override;
    void tunnelOpened(size_t tunnel, const UdpEndpoint& peer) override;
    void tunnelClosed(size_t tunnel, std::string_view reason) override;
    void resetRequested() override {
        if (reset_) reset_();
    }

    void readDatagrams();
    bool allowed(const UdpEndpoint& peer);
    void expire();
    void rearm();

    EventLoop& loop_;
    TunnelServer server_;
    DownlinkWriter downlink_;
    StatusSink status_;
    ResetSink reset_;
    DownlinkWithdrawer withdraw_;
    AddressFilter allow_;
    UniqueFd socket_;
    int error_ = 0;
    uint16_t port_ = 0;
    EventLoop::Watch watch_;
    EventLoop::Timer timer_;
    LogThrottle refusedLog_;
    LogThrottle sendFailedLog_;
};

}  // namespace lintor::knxip
