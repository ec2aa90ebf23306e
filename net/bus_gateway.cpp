#include "net/bus_gateway.h"

#include "platform/log.h"

namespace lintor {

BusGateway::BusGateway(EventLoop& loop, ServerEvents& serverEvents, const GatewayConfig& config, DownlinkSink downlink)
    : SocketServer(loop, serverEvents, ServerKind::BusGateway, config.gatewayAddress(), config.gatewayPort,
                   config.limits, config.allow),
      downlink_(std::move(downlink)) {}

void BusGateway::busRecord(std::span<const uint8_t> record) {
    if (record.size() < kRecordHeaderSize) return;
    const RecordHeader header = decodeHeader(record.first<kRecordHeaderSize>());
    if (header.type == MSG_BCU_ACK || header.type == MSG_UNMATCHED_TELEGRAM) return;
    broadcast(record);
}

void BusGateway::OnClientConnected(ClientSocket&) { events().clientConnected(kind()); }

void BusGateway::OnClientData(ClientSocket& client, std::span<const uint8_t> bytes) {
    framers_.of(client).feed(
        bytes, [this](std::span<const uint8_t> record) { downlink_(record); },
        [this, &client](const RecordHeader& header) {
            if (!droppedLog_.admit()) return;
            log::warning(clientName(client) + ": record of type " + log::hexWord(header.type) + " with " +
                         std::to_string(header.length) + " payload bytes exceeds " +
                         std::to_string(kDownlinkPayloadLimit) + ": dropped");
        });
}

void BusGateway::OnClientClosed(ClientSocket& client) {
    framers_.close(client);
    events().clientClosed(kind());
}

}  // namespace lintor
