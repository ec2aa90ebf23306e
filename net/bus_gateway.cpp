#include "net/bus_gateway.h"

#include "net/record_framer.h"
#include "platform/log.h"

namespace lintor {

BusGateway::BusGateway(EventLoop& loop, LinkEvents& linkEvents, ServerEvents& serverEvents,
                       SerialDeviceOpener& opener, const GatewayConfig& config)
    : SocketServer(loop, serverEvents, ServerKind::BusGateway, config.gatewayAddress(), config.gatewayPort,
                   config.limits, config.allow),
      link_(linkEvents, opener, config.device),
      startup_(link_, linkEvents),
      startupRetry_(loop.timer([this] { retryStartup(); })) {
    // Without a device there is nothing to start; WM_LINK_UP starts it.
    if (!link_.startWorker()) startup_.halt();
}

void BusGateway::performInitStep() {
    startup_.performInitStep();
    armStartupRetry();
}

void BusGateway::linkDown() {
    startup_.halt();
    startupRetry_.stop();
}

void BusGateway::restartStartup() {
    startup_.restart();
    armStartupRetry();
}

void BusGateway::armStartupRetry() {
    if (startup_.awaitingAcknowledgement()) {
        startupRetry_.startAfter(STARTUP_RETRY);
    } else {
        startupRetry_.stop();
    }
}

void BusGateway::retryStartup() {
    if (!startup_.awaitingAcknowledgement()) return;
    const auto step = static_cast<BcuInitStep>(startup_.bcuInitState());
    log::warning(std::string("BCU did not acknowledge the ") + bcuInitStepName(step) + "; retrying");
    restartStartup();
}

BusGateway::~BusGateway() { link_.stopWorker(); }

size_t BusGateway::readBusMessage(uint32_t wParam) {
    const size_t announced = wParam & 0xFFFF;
    recordSize_ = link_.readUplink(std::span(recordBuffer_).first(std::min(announced, recordBuffer_.size())));
    if (announced > recordBuffer_.size()) {
        // Never produced by the link; keep the pipe on its record boundary anyway.
        std::array<uint8_t, 256> rest;
        for (size_t left = announced - recordBuffer_.size(); left > 0;) {
            const size_t n = link_.readUplink(std::span(rest).first(std::min(left, rest.size())));
            if (n == 0) break;
            left -= n;
        }
        log::error("uplink record of " + std::to_string(announced) + " bytes exceeds the record buffer");
    }
    if (recordSize_ < kRecordHeaderSize) return recordSize_;

    const RecordHeader header = decodeHeader(std::span<const uint8_t, kRecordHeaderSize>(recordBuffer_.data(), 4));
    if (header.type == MSG_BCU_ACK) {
        startup_.handleAcknowledgement(header);
    } else if (header.type != MSG_UNMATCHED_TELEGRAM) {
        broadcast(recordBuffer());
    }
    return recordSize_;
}

void BusGateway::OnClientConnected(ClientSocket&) { events().clientConnected(kind()); }

void BusGateway::OnClientData(ClientSocket& client, std::span<const uint8_t> bytes) {
    framers_.of(client).feed(
        bytes, [this](std::span<const uint8_t> record) { link_.writeDownlink(record); },
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
