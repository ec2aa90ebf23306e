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

}  // namespace

std::string_view statusName(uint8_t code) {
    const auto* const entry = std::ranges::find(kStatusNames, code, &std::pair<uint8_t, std::string_view>::first);
    return entry == kStatusNames.end() ? std::string_view("unknown status") : entry->second;
}

}  // namespace lintor::knxip
