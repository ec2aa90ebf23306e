#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/address_filter.h"

namespace lintor {

inline constexpr uint16_t BUS_GATEWAY_PORT = 57627;
inline constexpr uint16_t PROXY_PORT = 5003;
// The most connections a port may be told to hold; each is a descriptor.
inline constexpr unsigned MAX_CLIENTS_LIMIT = 65535;

struct ServerLimits {
    // Bytes a client may have waiting; beyond that blocks are refused.
    size_t sendQueueBytes = size_t{256} * 1024;
    // A client that refuses blocks this long is dropped.
    std::chrono::milliseconds stallTimeout{10'000};
    // Connections held at once on each port; the oldest half-closed one makes room.
    size_t maxClients = 256;
};

// Everything the command line and the settings decide, handed as it is from
// the command line to the link and both servers.
struct GatewayConfig {
    std::string device;                       // the BCU's serial device; empty: from the settings
    std::string listenAddress;                // both ports; empty: all addresses
    uint16_t gatewayPort = BUS_GATEWAY_PORT;  // 0 picks a free port
    uint16_t proxyPort = PROXY_PORT;
    ServerLimits limits;
    // Per port, in place of listenAddress.
    std::optional<std::string> gatewayListen;
    std::optional<std::string> proxyListen;
    bool proxyEnabled = true;
    // Peers allowed on both ports; empty: everyone.
    AddressFilter allow;

    const std::string& gatewayAddress() const { return gatewayListen ? *gatewayListen : listenAddress; }
    const std::string& proxyAddress() const { return proxyListen ? *proxyListen : listenAddress; }
};

}  // namespace lintor
