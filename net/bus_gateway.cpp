#include "net/bus_gateway.h"

#include "platform/log.h"

namespace lintor {

BusGateway::BusGateway(EventLoop& loop, ServerEvents& serverEvents, const GatewayConfig& config, DownlinkSink downlink,
                       ClosedSink closed)
    : SocketServer(loop, serverEvents, ServerKind::BusGateway, config.gatewayAddress(), config.gatewayPort,
                   config.limits, config.allow),
      downlink_(std::move(downlink)),
      closed_(std::move(closed)) {}

void BusGateway::busRecord(std::span<const uint8_t> record, Delivery delivery) {
    if (record.size() < kRecordHeaderSize) return;
    const RecordHeader header = decodeHeader(record.first<kRecordHeaderSize>());
    if (header.type == MSG_BCU_ACK || header.type == MSG_UNMATCHED_TELEGRAM) return;
    switch (delivery.to) {
    case Delivery::To::Everyone:
        broadcast(record);
        return;
    case Delivery::To::GatewayClient:
        sendTo(delivery.client, record);
        return;
    case Delivery::To::Tunnel:
        return;
    }
}

void BusGateway::OnClientConnected(ClientSocket&) { events().clientConnected(kind()); }

void BusGateway::OnClientData(ClientSocket& client, std::span<const uint8_t> bytes) {
    // Held back even when the record that filled the queue ended the receive.
    bool full = false;
    const size_t taken = framers_.of(client).feed(
        bytes,
        [&](std::span<const uint8_t> record) {
            full = downlink_(record, client.id()) != Admission::Queued;
            return !full;
        },
        [this, &client](const RecordHeader& header) {
            if (!droppedLog_.admit(loop().now())) return;
            log::warning(clientName(client) + ": record of type " + log::hexWord(header.type) + " with " +
                         std::to_string(header.length) + " payload bytes exceeds " +
                         std::to_string(kDownlinkPayloadLimit) + ": dropped");
        });
    if (full) holdReading(client, bytes.subspan(taken));
}

void BusGateway::OnClientClosed(ClientSocket& client) {
    framers_.close(client);
    if (closed_) closed_(client.id());
    events().clientClosed(kind());
}

}  // namespace lintor
