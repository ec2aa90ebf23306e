#include "knxip/knxip_protocol.h"

#include <algorithm>
#include <array>
#include <utility>

namespace lintor::knxip {
namespace {

constexpr std::array<std::pair<uint8_t, std::string_view>, 11> kStatusNames{{
    {status::E_NO_ERROR, "E_NO_ERROR"},
    {status::E_HOST_PROTOCOL_TYPE, "E_HOST_PROTOCOL_TYPE"},
    {status::E_VERSION_NOT_SUPPORTED, "E_VERSION_NOT_SUPPORTED"},
    {status::E_SEQUENCE_NUMBER, "E_SEQUENCE_NUMBER"},
    {status::E_CONNECTION_ID, "E_CONNECTION_ID"},
    {status::E_CONNECTION_TYPE, "E_CONNECTION_TYPE"},
    {status::E_CONNECTION_OPTION, "E_CONNECTION_OPTION"},
    {status::E_NO_MORE_CONNECTIONS, "E_NO_MORE_CONNECTIONS"},
    {status::E_DATA_CONNECTION, "E_DATA_CONNECTION"},
    {status::E_KNX_CONNECTION, "E_KNX_CONNECTION"},
    {status::E_TUNNELLING_LAYER, "E_TUNNELLING_LAYER"},
}};

constexpr std::array<std::pair<uint16_t, std::string_view>, 14> kServiceNames{{
    {service::SEARCH_REQUEST, "SEARCH_REQUEST"},
    {service::SEARCH_RESPONSE, "SEARCH_RESPONSE"},
    {service::DESCRIPTION_REQUEST, "DESCRIPTION_REQUEST"},
    {service::DESCRIPTION_RESPONSE, "DESCRIPTION_RESPONSE"},
    {service::CONNECT_REQUEST, "CONNECT_REQUEST"},
    {service::CONNECT_RESPONSE, "CONNECT_RESPONSE"},
    {service::CONNECTIONSTATE_REQUEST, "CONNECTIONSTATE_REQUEST"},
    {service::CONNECTIONSTATE_RESPONSE, "CONNECTIONSTATE_RESPONSE"},
    {service::DISCONNECT_REQUEST, "DISCONNECT_REQUEST"},
    {service::DISCONNECT_RESPONSE, "DISCONNECT_RESPONSE"},
    {service::DEVICE_CONFIGURATION_REQUEST, "DEVICE_CONFIGURATION_REQUEST"},
    {service::DEVICE_CONFIGURATION_ACK, "DEVICE_CONFIGURATION_ACK"},
    {service::TUNNELLING_REQUEST, "TUNNELLING_REQUEST"},
    {service::TUNNELLING_ACK, "TUNNELLING_ACK"},
}};

template <typename Code, size_t N>
std::string_view nameIn(const std::array<std::pair<Code, std::string_view>, N>& table, Code code,
                        std::string_view otherwise) {
    const auto* const entry = std::ranges::find(table, code, &std::pair<Code, std::string_view>::first);
    return entry == table.end() ? otherwise : entry->second;
}

}  // namespace

std::string_view serviceName(uint16_t service) { return nameIn(kServiceNames, service, "unknown service"); }

std::string_view statusName(uint8_t code) { return nameIn(kStatusNames, code, "unknown status"); }

}  // namespace lintor::knxip
