#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "link/downlink_queues.h"
#include "link/reply_router.h"
#include "net/client_sessions.h"
#include "net/record_framer.h"
#include "net/socket_server.h"
#include "platform/log_throttle.h"

namespace lintor {

// The gateway port: every record from the bus goes to every client (a
// device's answers only to the one talking to it), every record a client
// sends goes to the bus link, whole.
class BusGateway final : public SocketServer {
public:
    // The record, and the id of the client that sent it. A client whose
    // queue is full is read no further until resumeReading.
    using DownlinkSink = std::function<Admission(std::span<const uint8_t> record, uint64_t client)>;

    using ClosedSink = std::function<void(uint64_t client)>;

    BusGateway(EventLoop& loop, ServerEvents& serverEvents, const GatewayConfig& config, DownlinkSink downlink,
               ClosedSink closed = {});

    // A record from the bus: to every client the delivery reaches, but for
    // the BCU's acknowledgements and telegrams of an unknown service.
    void busRecord(std::span<const uint8_t> record, Delivery delivery = Delivery::everyone());

protected:
    void OnClientConnected(ClientSocket& client) override;
    void OnClientData(ClientSocket& client, std::span<const uint8_t> bytes) override;
    void OnClientClosed(ClientSocket& client) override;

private:
    DownlinkSink downlink_;
    ClosedSink closed_;
    ClientSessions<RecordFramer> framers_;
    LogThrottle droppedLog_;
};

}  // namespace lintor
