#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <list>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "knxip/connection.h"
#include "knxip/frame_reader.h"
#include "knxip/frame_writer.h"
#include "link/cemi.h"
#include "link/reply_router.h"
#include "platform/log_throttle.h"
#include "platform/udp_socket.h"

namespace lintor::knxip {

struct TunnelSettings {
    DeviceIdentity identity;
    // Empty: every tunnel has the BCU's own address.
    std::optional<uint16_t> firstTunnelAddress;
    size_t tunnelCount = 4;
};

// What the server needs around it: the socket, the bus link, the user.
class TunnelServerEvents {
public:
    virtual ~TunnelServerEvents() = default;
    // From our address local (0: the one the route picks). On a host with
    // several, each peer is answered from the address it spoke to.
    virtual void sendDatagram(const UdpEndpoint& to, uint32_t local, std::span<const uint8_t> bytes) = 0;
    // A MSG_DATA_TO_BCU record of the tunnel on that channel for the
    // downlink; false when it could not be queued (the link is down or its
    // queue full).
    virtual bool writeDownlink(std::span<const uint8_t> record, uint8_t channel) = 0;
    // Takes the record back if it still waits for its turn; false when it
    // has gone towards the BCU.
    virtual bool withdrawDownlink(std::span<const uint8_t> record, uint8_t channel) = 0;
    // Our endpoint as the peer should address it, given the address its
    // datagram came in on (0 when unknown).
    virtual UdpEndpoint localEndpointFor(const UdpEndpoint& peer, uint32_t local) = 0;
    virtual void tunnelOpened(size_t tunnel, const UdpEndpoint& peer) = 0;
    virtual void tunnelClosed(size_t tunnel, std::string_view reason) = 0;
    // A client asked for a reset of the interface (M_Reset.req).
    virtual void resetRequested() {}
};

// A KNXnet/IP server for tunnelling and device management over UDP, without
// a socket or a clock of its own: datagrams, bus records and the time come
// in, datagrams and records go out through the events.
class TunnelServer {
public:
    // A request still waiting in the downlink this long is taken back and
    // confirmed negatively. One that went towards the BCU is confirmed as
    // the BCU confirms it, or negatively once SENT_CONFIRMATION_TIMEOUT more
    // has passed without a word from the BCU.
    static constexpr auto CONFIRMATION_TIMEOUT = std::chrono::seconds(3);
    static constexpr auto SENT_CONFIRMATION_TIMEOUT = std::chrono::seconds(5);
    static constexpr size_t DEVICE_MANAGEMENT_LIMIT = 4;
    // Requests of one tunnel the BCU has not confirmed yet; more are refused
    // at once, so one client cannot crowd out the others.
    static constexpr size_t PENDING_PER_TUNNEL = 32;

    TunnelServer(TunnelSettings settings, TunnelServerEvents& events);

    // local: our address the datagram came in on, 0 when unknown.
    void receive(const UdpEndpoint& from, std::span<const uint8_t> datagram, TimePoint now, uint32_t local = 0);
    // One uplink record of the bus link, header included, for the tunnels
    // the delivery reaches.
    void uplinkRecord(std::span<const uint8_t> record, TimePoint now, Delivery delivery = Delivery::everyone());
    // While the bus link is down, no tunnel opens and every request is
    // confirmed negatively at once.
    void setBusConnected(bool connected) { busConnected_ = connected; }
    // For the tunnels opened from now on, unless they have addresses of
    // their own.
    void setBcuAddress(uint16_t address) { bcuAddress_ = address; }
    // Resends, confirmations overdue, connections without a heartbeat.
    void expire(TimePoint now);
    std::optional<TimePoint> nextDeadline() const;
    // Says goodbye to every client, as at shutdown.
    void disconnectAll();

    size_t connectionCount() const { return connections_.size(); }
    // Telegrams dropped because a client did not take them fast enough.
    uint64_t droppedCount() const { return dropped_; }

private:
    struct PendingConfirmation {
        uint8_t channel = 0;
        cemi::LData request;
        TimePoint deadline;
        // Past its first deadline and no longer waiting in the downlink.
        bool leftTheQueue = false;
    };

    void handle(const UdpEndpoint& from, const SearchRequest& request);
    void handle(const UdpEndpoint& from, const DescriptionRequest& request);
    void handle(const UdpEndpoint& from, const ConnectRequest& request, TimePoint now);
    void handle(const UdpEndpoint& from, const ConnectionStateRequest& request, TimePoint now);
    void handle(const UdpEndpoint& from, const DisconnectRequest& request);
    void handle(const UdpEndpoint& from, const ChannelMessage& message, TimePoint now);
    void handle(const UdpEndpoint& from, const ChannelAck& ack, TimePoint now);
    uint8_t connectStatus(const ConnectRequest& request) const;
    void openConnection(const UdpEndpoint& from, const ConnectRequest& request, TimePoint now);

    void tunnelMessage(Connection& connection, std::span<const uint8_t> message, TimePoint now);
    void deviceManagementMessage(Connection& connection, std::span<const uint8_t> message, TimePoint now);
    void confirm(const PendingConfirmation& pending, bool positive, TimePoint now);
    size_t pendingOf(uint8_t channel) const;
    void indicateToTunnels(const cemi::LData& indication, const Connection* except, Delivery delivery, TimePoint now);
    void matchConfirmation(const cemi::LData& confirmation, Delivery delivery, TimePoint now);

    void send(Connection& connection, std::vector<uint8_t> cemi, TimePoint now);
    void sendNext(Connection& connection, TimePoint now);
    void sendInFlight(Connection& connection);
    void close(std::list<Connection>::iterator connection, std::string_view reason, bool tellClient);

    Connection* find(uint8_t channel);
    std::optional<size_t> freeTunnel() const;
    std::optional<uint8_t> freeChannel();
    static UdpEndpoint answerTo(const Hpai& hpai, const UdpEndpoint& from);
    Hpai ourHpai(const UdpEndpoint& peer, uint32_t local);
    // An answer to the datagram in hand, from the address it came in on.
    void answer(const UdpEndpoint& to, std::span<const uint8_t> bytes) { events_.sendDatagram(to, arrival_, bytes); }

    TunnelSettings settings_;
    TunnelServerEvents& events_;
    std::list<Connection> connections_;
    std::deque<PendingConfirmation> pending_;
    uint32_t arrival_ = 0;  // of the datagram in hand
    bool busConnected_ = false;
    uint16_t bcuAddress_ = emi::FACTORY_INDIVIDUAL_ADDRESS;
    uint8_t lastChannel_ = 0;
    uint64_t dropped_ = 0;
    // What any peer can make us log is logged sparingly.
    LogThrottle refusedLog_;
    LogThrottle droppedLog_;
};

}  // namespace lintor::knxip
