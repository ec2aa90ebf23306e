#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The numbers of KNXnet/IP (core, device management, tunnelling) as the
// standard gives them.
namespace lintor::knxip {

inline constexpr uint16_t DEFAULT_PORT = 3671;
inline constexpr uint32_t MULTICAST_GROUP = 0xE0'00'17'0C;  // 224.0.23.12

inline constexpr uint8_t HEADER_SIZE = 0x06;
inline constexpr uint8_t PROTOCOL_VERSION = 0x10;

namespace service {
inline constexpr uint16_t SEARCH_REQUEST = 0x0201;
inline constexpr uint16_t SEARCH_RESPONSE = 0x0202;
inline constexpr uint16_t DESCRIPTION_REQUEST = 0x0203;
inline constexpr uint16_t DESCRIPTION_RESPONSE = 0x0204;
inline constexpr uint16_t CONNECT_REQUEST = 0x0205;
inline constexpr uint16_t CONNECT_RESPONSE = 0x0206;
inline constexpr uint16_t CONNECTIONSTATE_REQUEST = 0x0207;
inline constexpr uint16_t CONNECTIONSTATE_RESPONSE = 0x0208;
inline constexpr uint16_t DISCONNECT_REQUEST = 0x0209;
inline constexpr uint16_t DISCONNECT_RESPONSE = 0x020A;
inline constexpr uint16_t DEVICE_CONFIGURATION_REQUEST = 0x0310;
inline constexpr uint16_t DEVICE_CONFIGURATION_ACK = 0x0311;
inline constexpr uint16_t TUNNELLING_REQUEST = 0x0420;
inline constexpr uint16_t TUNNELLING_ACK = 0x0421;
}  // namespace service

// "CONNECT_REQUEST", for the log; "unknown service" for others.
std::string_view serviceName(uint16_t service);

// Status and error codes of responses and acknowledgements.
namespace status {
inline constexpr uint8_t E_NO_ERROR = 0x00;
inline constexpr uint8_t E_HOST_PROTOCOL_TYPE = 0x01;
inline constexpr uint8_t E_VERSION_NOT_SUPPORTED = 0x02;
inline constexpr uint8_t E_SEQUENCE_NUMBER = 0x04;
inline constexpr uint8_t E_CONNECTION_ID = 0x21;
inline constexpr uint8_t E_CONNECTION_TYPE = 0x22;
inline constexpr uint8_t E_CONNECTION_OPTION = 0x23;
inline constexpr uint8_t E_NO_MORE_CONNECTIONS = 0x24;
inline constexpr uint8_t E_DATA_CONNECTION = 0x26;
inline constexpr uint8_t E_KNX_CONNECTION = 0x27;
inline constexpr uint8_t E_TUNNELLING_LAYER = 0x29;
}  // namespace status

// "E_CONNECTION_ID", for the log; "unknown status" for codes not listed.
std::string_view statusName(uint8_t code);

// Host protocol address information: length, protocol, IPv4 address, port.
inline constexpr size_t HPAI_SIZE = 8;
inline constexpr uint8_t IPV4_UDP = 0x01;
inline constexpr uint8_t IPV4_TCP = 0x02;

// Connection request information and its response data.
inline constexpr uint8_t DEVICE_MGMT_CONNECTION = 0x03;
inline constexpr uint8_t TUNNEL_CONNECTION = 0x04;
inline constexpr uint8_t TUNNEL_LINKLAYER = 0x02;
inline constexpr size_t TUNNEL_CRI_SIZE = 4;
inline constexpr size_t TUNNEL_CRD_SIZE = 4;
inline constexpr size_t DEVICE_MGMT_CRI_SIZE = 2;

// The connection header of tunnelling and device configuration frames.
inline constexpr size_t CONNECTION_HEADER_SIZE = 4;

// Description information blocks.
inline constexpr uint8_t DIB_DEVICE_INFO = 0x01;
inline constexpr uint8_t DIB_SUPP_SVC_FAMILIES = 0x02;
inline constexpr size_t DEVICE_INFO_SIZE = 54;
inline constexpr size_t FRIENDLY_NAME_SIZE = 30;
inline constexpr uint8_t MEDIUM_TP1 = 0x02;

namespace family {
inline constexpr uint8_t CORE = 0x02;
inline constexpr uint8_t DEVICE_MANAGEMENT = 0x03;
inline constexpr uint8_t TUNNELLING = 0x04;
}  // namespace family

// Time limits of a connection.
inline constexpr int CONNECTION_ALIVE_TIME_S = 120;
inline constexpr int TUNNELLING_REQUEST_TIMEOUT_MS = 1000;
inline constexpr int DEVICE_CONFIGURATION_REQUEST_TIMEOUT_MS = 10'000;

}  // namespace lintor::knxip
