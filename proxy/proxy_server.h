#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/downlink_queues.h"
#include "net/client_sessions.h"
#include "net/socket_server.h"
#include "platform/log_throttle.h"
#include "proxy/group_value_table.h"
#include "proxy/request_splitter.h"

namespace lintor {

// The group value proxy: pushes a ProxyInfo line for every changed table
// entry once a second, and hands on the group address and value of every
// SetGA request, in the order the requests came. A client whose downlink
// queue is full is read no further until resumeReading.
class ProxyServer final : public SocketServer {
public:
    using SetGroupValue = std::function<Admission(uint64_t client, uint16_t groupAddress, uint16_t value)>;

    // Listens on the proxy port.
    ProxyServer(EventLoop& loop, ServerEvents& events, const GatewayConfig& config, SetGroupValue setGroupValue);

    // From the bus routing; a full table drops new addresses with one log line.
    void updateGroupValue(uint16_t groupAddress, int32_t value);
    const GroupValueTable& table() const { return table_; }

    // One broadcast per flagged entry, in table order; an entry stays flagged
    // until some client has taken its line.
    void sendProxyInfo();

protected:
    void OnClientConnected(ClientSocket& client) override;
    void OnClientData(ClientSocket& client, std::span<const uint8_t> bytes) override;
    void OnClientClosed(ClientSocket& client) override;

private:
    // True when the client's downlink queue is full.
    bool handleRequest(uint64_t client, std::string_view text);

    void logLoss(const ClientSocket& client, RequestSplitter::Loss loss, size_t bytes);

    SetGroupValue setGroupValue_;
    GroupValueTable table_;
    ClientSessions<RequestSplitter> splitters_;
    bool tableFullLogged_ = false;
    LogThrottle lossLog_;
};

}  // namespace lintor
