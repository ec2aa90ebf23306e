#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "link/bus_interface.h"
#include "link/downlink_queues.h"
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

inline constexpr unsigned MAX_BUS_WAIT_LIMIT_S = 600;

inline constexpr uint16_t KNXIP_PORT = 3671;
// 15.15.240 for the server. The tunnels share the BCU's own address unless
// told otherwise: a device's answers reach only that address.
inline constexpr uint16_t KNXIP_DEFAULT_ADDRESS = 0xFFF0;
inline constexpr size_t KNXIP_DEFAULT_TUNNELS = 4;
// A line holds devices 1 to 255; tunnels stay on the line of the first.
inline constexpr unsigned KNXIP_TUNNELS_LIMIT = 255;

// The KNXnet/IP server beside the two ports.
struct KnxIpConfig {
    bool enabled = true;
    uint16_t port = KNXIP_PORT;                // UDP; 0 picks a free port
    std::optional<std::string> listen;         // in place of GatewayConfig::listenAddress
    uint16_t address = KNXIP_DEFAULT_ADDRESS;  // the server's individual address
    std::optional<uint16_t> firstTunnel;       // empty: the BCU's own address for every tunnel
    size_t tunnels = KNXIP_DEFAULT_TUNNELS;
    std::string name = "Lintor";
};

// Everything the command line and the settings decide, handed as it is from
// the command line to the link and both servers.
struct GatewayConfig {
    std::string device;  // the BCU's serial device; empty: from the settings
    BusInterface busInterface = BusInterface::Emi;
    std::string listenAddress;                // both ports; empty: all addresses
    uint16_t gatewayPort = BUS_GATEWAY_PORT;  // 0 picks a free port
    uint16_t proxyPort = PROXY_PORT;
    ServerLimits limits;
    // Per port, in place of listenAddress.
    std::optional<std::string> gatewayListen;
    std::optional<std::string> proxyListen;
    bool proxyEnabled = true;
    // A record towards the bus that waited longer is dropped, with a log line.
    std::chrono::milliseconds maxBusWait = DownlinkQueues::DEFAULT_MAX_WAIT;
    // Peers allowed on both ports; empty: everyone.
    AddressFilter allow;
    KnxIpConfig knxip;

    const std::string& gatewayAddress() const { return gatewayListen ? *gatewayListen : listenAddress; }
    const std::string& proxyAddress() const { return proxyListen ? *proxyListen : listenAddress; }
    const std::string& knxipAddress() const { return knxip.listen ? *knxip.listen : listenAddress; }
};

}  // namespace lintor
