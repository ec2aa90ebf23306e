#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <variant>

#include "platform/udp_socket.h"

namespace lintor::knxip {

// Where a peer wants its answers: the protocol and an endpoint, which is
// 0.0.0.0:0 when the peer asks for the address its datagram came from.
struct Hpai {
    uint8_t protocol = 0;
    UdpEndpoint endpoint;

    bool isRouteBack() const { return endpoint.address == 0 && endpoint.port == 0; }
};

struct ConnectionHeader {
    uint8_t channel = 0;
    uint8_t sequence = 0;
    uint8_t status = 0;  // reserved in requests
};

struct SearchRequest {
    Hpai discovery;
};
struct DescriptionRequest {
    Hpai control;
};
struct ConnectRequest {
    Hpai control;
    Hpai data;
    uint8_t connectionType = 0;
    uint8_t layer = 0;  // tunnel connections only
    uint8_t criLength = 0;
};
struct ConnectionStateRequest {
    uint8_t channel = 0;
    Hpai control;
};
struct DisconnectRequest {
    uint8_t channel = 0;
    Hpai control;
};
struct DisconnectResponse {
    uint8_t channel = 0;
    uint8_t status = 0;
};
// TUNNELLING_REQUEST and DEVICE_CONFIGURATION_REQUEST.
struct ChannelMessage {
    bool deviceConfiguration = false;
    ConnectionHeader header;
    std::span<const uint8_t> cemi;  // into the datagram
};
// TUNNELLING_ACK and DEVICE_CONFIGURATION_ACK.
struct ChannelAck {
    bool deviceConfiguration = false;
    ConnectionHeader header;
};

using Request = std::variant<SearchRequest, DescriptionRequest, ConnectRequest, ConnectionStateRequest,
                             DisconnectRequest, DisconnectResponse, ChannelMessage, ChannelAck>;

// Why a datagram was not understood, for the debug log.
enum class ReadFailure { BadHeader, UnknownService, BadBody };

struct ReadResult {
    std::optional<Request> request;
    ReadFailure failure = ReadFailure::BadHeader;
    uint16_t service = 0;  // from the header, when it could be read
};

// A datagram as one request; every length is checked against the bytes
// there are. Bytes after the header's total length are ignored.
ReadResult readRequest(std::span<const uint8_t> datagram);

}  // namespace lintor::knxip
