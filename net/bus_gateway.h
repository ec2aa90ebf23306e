#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "net/client_sessions.h"
#include "net/record_framer.h"
#include "net/socket_server.h"
#include "platform/log_throttle.h"

namespace lintor {

// The gateway port: every record from the bus goes to every client, every
// record a client sends goes to the bus link, whole.
class BusGateway final : public SocketServer {
public:
    using DownlinkSink = std::function<bool(std::span<const uint8_t> record)>;

    BusGateway(EventLoop& loop, ServerEvents& serverEvents, const GatewayConfig& config, DownlinkSink downlink);

    // A record from the bus: to every client, but for the BCU's
    // acknowledgements and telegrams of an unknown service.
    void busRecord(std::span<const uint8_t> record);

protected:
    void OnClientConnected(ClientSocket& client) override;
    void OnClientData(ClientSocket& client, std::span<const uint8_t> bytes) override;
    void OnClientClosed(ClientSocket& client) override;

private:
    DownlinkSink downlink_;
    ClientSessions<RecordFramer> framers_;
    LogThrottle droppedLog_;
};

}  // namespace lintor
