#include "knxip/tunnel_server.h"

#include <algorithm>

#include "knxip/interface_objects.h"
#include "knxip/knxip_protocol.h"
#include "link/bus_message.h"
#include "platform/log.h"

namespace lintor::knxip {
namespace {

// Requests the BCU has not confirmed yet, from all tunnels together; more are
// refused rather than queued without end in the downlink.
constexpr size_t kPendingLimit = 256;

bool isIndicationRecord(uint16_t type) { return isTelegramRecord(type) || type == MSG_UNMATCHED_TELEGRAM; }

// Not the source: the BCU puts in its own. Two clients' identical telegrams
// may thus take each other's confirmations; they carry the same bytes.
bool sameTelegram(const cemi::LData& a, const cemi::LData& b) {
    return a.destination == b.destination && a.tpdu == b.tpdu &&
           (a.control2 & cemi::CONTROL2_GROUP_ADDRESS) == (b.control2 & cemi::CONTROL2_GROUP_ADDRESS);
}

}  // namespace

TunnelServer::TunnelServer(TunnelSettings settings, TunnelServerEvents& events)
    : settings_(std::move(settings)),
      events_(events) {}

void TunnelServer::receive(const UdpEndpoint& from, std::span<const uint8_t> datagram, TimePoint now, uint32_t local) {
    arrival_ = local;
    const ReadResult result = readRequest(datagram);
    if (!result.request) {
        log::debug("KNXnet/IP: ignored a datagram of " + std::to_string(datagram.size()) + " bytes from " +
                   from.text() + " (service " + log::hexWord(result.service) + ")");
        return;
    }
    log::debug("KNXnet/IP: " + std::string(serviceName(result.service)) + " from " + from.text());
    std::visit(
        [&](const auto& request) {
            using T = std::decay_t<decltype(request)>;
            if constexpr (std::is_same_v<T, ConnectRequest> || std::is_same_v<T, ConnectionStateRequest> ||
                          std::is_same_v<T, ChannelMessage> || std::is_same_v<T, ChannelAck>) {
                handle(from, request, now);
            } else if constexpr (std::is_same_v<T, DisconnectResponse>) {
                // We forgot the connection when we asked to close it.
            } else {
                handle(from, request);
            }
        },
        *result.request);
}

UdpEndpoint TunnelServer::answerTo(const Hpai& hpai, const UdpEndpoint& from) {
    // The endpoint a peer names is used on its own host only: another host's
    // would make us a reflector towards it. A peer behind NAT names none.
    UdpEndpoint to = from;
    if (hpai.endpoint.address == from.address && hpai.endpoint.port != 0) to.port = hpai.endpoint.port;
    return to;
}

Hpai TunnelServer::ourHpai(const UdpEndpoint& peer, uint32_t local) {
    return {IPV4_UDP, events_.localEndpointFor(peer, local)};
}

void TunnelServer::handle(const UdpEndpoint& from, const SearchRequest& request) {
    answer(answerTo(request.discovery, from), searchResponse(ourHpai(from, arrival_), settings_.identity));
}

void TunnelServer::handle(const UdpEndpoint& from, const DescriptionRequest& request) {
    answer(answerTo(request.control, from), descriptionResponse(settings_.identity));
}

uint8_t TunnelServer::connectStatus(const ConnectRequest& request) const {
    if (request.control.protocol != IPV4_UDP || request.data.protocol != IPV4_UDP) {
        return status::E_HOST_PROTOCOL_TYPE;
    }
    if (request.connectionType == DEVICE_MGMT_CONNECTION) {
        const auto managing = std::ranges::count_if(connections_, &Connection::deviceManagement);
        return static_cast<size_t>(managing) < DEVICE_MANAGEMENT_LIMIT ? status::E_NO_ERROR
                                                                       : status::E_NO_MORE_CONNECTIONS;
    }
    if (request.connectionType != TUNNEL_CONNECTION) return status::E_CONNECTION_TYPE;
    // A tunnel's request must name its layer.
    if (request.criLength < TUNNEL_CRI_SIZE) return status::E_CONNECTION_OPTION;
    if (request.layer != TUNNEL_LINKLAYER) return status::E_TUNNELLING_LAYER;
    if (!busConnected_) return status::E_KNX_CONNECTION;
    if (!freeTunnel()) return status::E_NO_MORE_CONNECTIONS;
    return status::E_NO_ERROR;
}

void TunnelServer::handle(const UdpEndpoint& from, const ConnectRequest& request, TimePoint now) {
    const UdpEndpoint control = answerTo(request.control, from);
    uint8_t status = connectStatus(request);
    if (status == status::E_NO_ERROR && connections_.size() >= UINT8_MAX) status = status::E_NO_MORE_CONNECTIONS;
    if (status != status::E_NO_ERROR) {
        if (refusedLog_.admit(now)) {
            log::info("KNXnet/IP: refused a connection from " + from.text() + ": " + std::string(statusName(status)) +
                      refusedLog_.occurrencesNote());
        }
        answer(control, connectRefused(status));
        return;
    }
    openConnection(from, request, now);
}

void TunnelServer::openConnection(const UdpEndpoint& from, const ConnectRequest& request, TimePoint now) {
    const UdpEndpoint control = answerTo(request.control, from);
    const UdpEndpoint data = answerTo(request.data, from);
    const uint8_t channel = freeChannel().value_or(0);
    const Hpai ours = ourHpai(from, arrival_);
    if (request.connectionType == DEVICE_MGMT_CONNECTION) {
        connections_.emplace_back(Connection::Kind::DeviceManagement, channel, 0, settings_.identity.individualAddress,
                                  control, data, arrival_, now);
        log::info("KNXnet/IP: device management connection " + std::to_string(channel) + " from " + from.text());
        answer(control, deviceManagementConnectResponse(channel, ours));
        return;
    }
    const size_t tunnel = *freeTunnel();
    const auto address =
        settings_.firstTunnelAddress ? static_cast<uint16_t>(*settings_.firstTunnelAddress + tunnel - 1) : bcuAddress_;
    connections_.emplace_back(Connection::Kind::Tunnel, channel, tunnel, address, control, data, arrival_, now);
    answer(control, connectResponse(channel, ours, address));
    events_.tunnelOpened(tunnel, from);
}

void TunnelServer::handle(const UdpEndpoint& from, const ConnectionStateRequest& request, TimePoint now) {
    Connection* const connection = find(request.channel);
    uint8_t status = status::E_NO_ERROR;
    if (!connection || !connection->isFrom(from)) {
        status = status::E_CONNECTION_ID;
    } else if (!connection->deviceManagement() && !busConnected_) {
        status = status::E_KNX_CONNECTION;
    } else if (connection->dataConnectionFailing()) {
        status = status::E_DATA_CONNECTION;
    } else {
        connection->heartbeat(now);
    }
    if (status != status::E_NO_ERROR) {
        log::debug("KNXnet/IP: CONNECTIONSTATE_RESPONSE " + std::string(statusName(status)) + " to " + from.text());
    }
    answer(answerTo(request.control, from), connectionStateResponse(request.channel, status));
}

void TunnelServer::handle(const UdpEndpoint& from, const DisconnectRequest& request) {
    const auto connection = std::ranges::find(connections_, request.channel, &Connection::channel);
    const bool known = connection != connections_.end() && connection->isFrom(from);
    answer(answerTo(request.control, from),
           disconnectResponse(request.channel, known ? status::E_NO_ERROR : status::E_CONNECTION_ID));
    if (known) close(connection, "the client disconnected", false);
}

void TunnelServer::handle(const UdpEndpoint& from, const ChannelMessage& message, TimePoint now) {
    Connection* const connection = find(message.header.channel);
    if (!connection || connection->deviceManagement() != message.deviceConfiguration) {
        log::debug("KNXnet/IP: no channel " + std::to_string(message.header.channel) + " for " + from.text());
        answer(from, channelAck(message.deviceConfiguration, message.header.channel, message.header.sequence,
                                status::E_CONNECTION_ID));
        return;
    }
    if (!connection->isFrom(from)) return;
    const Connection::Arrival arrival = connection->arrive(message.header.sequence);
    if (arrival == Connection::Arrival::OutOfOrder) {
        log::debug("KNXnet/IP: channel " + std::to_string(connection->channel()) + " dropped sequence number " +
                   std::to_string(message.header.sequence));
        return;
    }
    events_.sendDatagram(
        connection->data(), connection->local(),
        channelAck(message.deviceConfiguration, connection->channel(), message.header.sequence, status::E_NO_ERROR));
    if (arrival == Connection::Arrival::Duplicate) return;
    if (connection->deviceManagement()) {
        deviceManagementMessage(*connection, message.cemi, now);
    } else {
        tunnelMessage(*connection, message.cemi, now);
    }
}

void TunnelServer::handle(const UdpEndpoint& from, const ChannelAck& ack, TimePoint now) {
    Connection* const connection = find(ack.header.channel);
    if (!connection || !connection->isFrom(from)) return;
    if (connection->acknowledge(ack.header.sequence, ack.header.status)) sendNext(*connection, now);
}

void TunnelServer::tunnelMessage(Connection& connection, std::span<const uint8_t> message, TimePoint now) {
    if (message.empty() || message[0] != cemi::L_DATA_REQ) return;
    auto request = cemi::readLData(message);
    if (!request) return;
    if (request->source == 0) request->source = connection.address();
    PendingConfirmation pending{connection.channel(), *request, now + CONFIRMATION_TIMEOUT};
    if (!busConnected_ || pending_.size() >= kPendingLimit || pendingOf(connection.channel()) >= PENDING_PER_TUNNEL ||
        !events_.writeDownlink(cemi::emiRequestRecord(*request), connection.channel())) {
        confirm(pending, false, now);
        return;
    }
    pending_.push_back(std::move(pending));
}

void TunnelServer::deviceManagementMessage(Connection& connection, std::span<const uint8_t> message, TimePoint now) {
    if (message.size() == 1 && message[0] == cemi::M_RESET_REQ) {
        log::notice("KNXnet/IP: device management connection " + std::to_string(connection.channel()) +
                    " reset the interface: the BCU start-up begins again");
        events_.resetRequested();
        send(connection, {cemi::M_RESET_IND}, now);
        return;
    }
    if (auto reply = InterfaceObjects(settings_.identity).answer(message)) send(connection, std::move(*reply), now);
}

void TunnelServer::confirm(const PendingConfirmation& pending, bool positive, TimePoint now) {
    Connection* const connection = find(pending.channel);
    if (connection) send(*connection, cemi::writeLData(cemi::confirmationOf(pending.request, positive)), now);
}

size_t TunnelServer::pendingOf(uint8_t channel) const {
    return static_cast<size_t>(std::ranges::count(pending_, channel, &PendingConfirmation::channel));
}

void TunnelServer::indicateToTunnels(const cemi::LData& indication, const Connection* except, Delivery delivery,
                                     TimePoint now) {
    const std::vector<uint8_t> message = cemi::writeLData(indication);
    for (Connection& connection : connections_) {
        if (&connection == except || connection.deviceManagement()) continue;
        if (delivery.reaches(Delivery::To::Tunnel, connection.channel())) send(connection, message, now);
    }
}

void TunnelServer::uplinkRecord(std::span<const uint8_t> record, TimePoint now, Delivery delivery) {
    if (record.size() < kRecordHeaderSize) return;
    const RecordHeader header = decodeHeader(record.first<kRecordHeaderSize>());
    const auto payload = record.subspan(kRecordHeaderSize);
    if (isIndicationRecord(header.type)) {
        if (const auto indication = cemi::fromUplinkPayload(cemi::L_DATA_IND, payload)) {
            indicateToTunnels(*indication, nullptr, delivery, now);
        }
    } else if (header.type == MSG_CONFIRM) {
        if (const auto confirmation = cemi::fromUplinkPayload(cemi::L_DATA_CON, payload)) {
            matchConfirmation(*confirmation, delivery, now);
        }
    }
}

void TunnelServer::matchConfirmation(const cemi::LData& confirmation, Delivery delivery, TimePoint now) {
    // The BCU confirms in the order it sent; another client's request may
    // come between ours, and its confirmation goes to no one in particular.
    const bool positive = (confirmation.control1 & cemi::CONTROL1_CONFIRM_ERROR) == 0;
    const auto match = std::ranges::find_if(
        pending_, [&](const PendingConfirmation& pending) { return sameTelegram(pending.request, confirmation); });
    const Connection* sender = nullptr;
    if (match != pending_.end()) {
        const PendingConfirmation pending = std::move(*match);
        pending_.erase(match);
        confirm(pending, positive, now);
        sender = find(pending.channel);
    }
    // The BCU does not hear itself: what it sent for any client reaches the
    // tunnels from here, with the source the bus saw.
    if (positive) {
        cemi::LData indication = confirmation;
        indication.messageCode = cemi::L_DATA_IND;
        indicateToTunnels(indication, sender, delivery, now);
    }
}

void TunnelServer::expire(TimePoint now) {
    // Deadlines stay in order: a later one is never before now + 3 s.
    static_assert(SENT_CONFIRMATION_TIMEOUT >= CONFIRMATION_TIMEOUT);
    while (!pending_.empty() && pending_.front().deadline <= now) {
        PendingConfirmation pending = std::move(pending_.front());
        pending_.pop_front();
        // Never "not sent" for a telegram that may still reach the bus.
        if (!pending.leftTheQueue &&
            !events_.withdrawDownlink(cemi::emiRequestRecord(pending.request), pending.channel)) {
            pending.leftTheQueue = true;
            pending.deadline = now + SENT_CONFIRMATION_TIMEOUT;
            pending_.push_back(std::move(pending));
            continue;
        }
        confirm(pending, false, now);
    }
    for (auto connection = connections_.begin(); connection != connections_.end();) {
        const auto current = connection++;
        if (current->heartbeatOverdue(now)) {
            close(current, "no heartbeat for " + std::to_string(CONNECTION_ALIVE_TIME_S) + " s", true);
            continue;
        }
        switch (current->checkAcknowledgement(now)) {
        case Connection::Retry::Resend:
            sendInFlight(*current);
            break;
        case Connection::Retry::GiveUp:
            close(current, "the client did not acknowledge", true);
            break;
        case Connection::Retry::None:
            break;
        }
    }
}

std::optional<TimePoint> TunnelServer::nextDeadline() const {
    std::optional<TimePoint> next;
    if (!pending_.empty()) next = pending_.front().deadline;
    for (const Connection& connection : connections_) {
        const auto deadline = connection.nextDeadline();
        if (deadline && (!next || *deadline < *next)) next = deadline;
    }
    return next;
}

void TunnelServer::disconnectAll() {
    while (!connections_.empty()) close(connections_.begin(), "the gateway stopped", true);
}

void TunnelServer::send(Connection& connection, std::vector<uint8_t> cemi, TimePoint now) {
    if (!connection.queue(std::move(cemi))) {
        ++dropped_;
        if (droppedLog_.admit(now)) {
            log::warning("KNXnet/IP: channel " + std::to_string(connection.channel()) +
                         " does not keep up; dropped its oldest waiting telegram" + droppedLog_.occurrencesNote());
        }
    }
    sendNext(connection, now);
}

void TunnelServer::sendNext(Connection& connection, TimePoint now) {
    if (connection.startSending(now)) sendInFlight(connection);
}

void TunnelServer::sendInFlight(Connection& connection) {
    const auto outgoing = connection.inFlight();
    if (!outgoing) return;
    events_.sendDatagram(
        connection.data(), connection.local(),
        channelMessage(connection.deviceManagement(), connection.channel(), outgoing->sequence, outgoing->cemi));
}

void TunnelServer::close(std::list<Connection>::iterator connection, std::string_view reason, bool tellClient) {
    const uint8_t channel = connection->channel();
    if (tellClient)
        events_.sendDatagram(connection->control(), connection->local(),
                             disconnectRequest(channel, ourHpai(connection->control(), connection->local())));
    std::erase_if(pending_, [&](const PendingConfirmation& pending) { return pending.channel == channel; });
    const size_t tunnel = connection->tunnel();
    const bool deviceManagement = connection->deviceManagement();
    connections_.erase(connection);
    if (deviceManagement) {
        log::info("KNXnet/IP: device management connection " + std::to_string(channel) +
                  " closed: " + std::string(reason));
    } else {
        events_.tunnelClosed(tunnel, reason);
    }
}

Connection* TunnelServer::find(uint8_t channel) {
    const auto connection = std::ranges::find(connections_, channel, &Connection::channel);
    return connection == connections_.end() ? nullptr : &*connection;
}

std::optional<size_t> TunnelServer::freeTunnel() const {
    for (size_t tunnel = 1; tunnel <= settings_.tunnelCount; ++tunnel) {
        if (std::ranges::none_of(connections_, [&](const Connection& c) { return c.tunnel() == tunnel; })) {
            return tunnel;
        }
    }
    return std::nullopt;
}

std::optional<uint8_t> TunnelServer::freeChannel() {
    // Channel numbers go round, so a late datagram for a closed connection
    // rarely finds a new one under its number.
    for (int tries = 0; tries < UINT8_MAX; ++tries) {
        lastChannel_ = static_cast<uint8_t>(lastChannel_ % UINT8_MAX + 1);
        if (!find(lastChannel_)) return lastChannel_;
    }
    return std::nullopt;
}

}  // namespace lintor::knxip
