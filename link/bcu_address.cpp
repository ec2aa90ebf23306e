#include "link/bcu_address.h"

#include "link/bus_message.h"
#include "link/byte_order.h"
#include "link/emi.h"

namespace lintor {
namespace {

constexpr uint8_t kAddressBytes = 2;

}  // namespace

std::vector<uint8_t> bcuAddressRequestRecord() {
    const uint8_t message[] = {emi::PC_GET_VALUE_REQ, kAddressBytes, highByte(emi::INDIVIDUAL_ADDRESS_AT),
                               lowByte(emi::INDIVIDUAL_ADDRESS_AT)};
    return recordOf(MSG_DATA_TO_BCU, message);
}

std::optional<uint16_t> bcuAddressOf(std::span<const uint8_t> message) {
    if (message.size() != emi::memory::FIRST_DATA + kAddressBytes) return std::nullopt;
    if (message[emi::field::MESSAGE_CODE] != emi::PC_GET_VALUE_CON || message[emi::memory::COUNT] != kAddressBytes ||
        readBigEndian16(message, emi::memory::ADDRESS) != emi::INDIVIDUAL_ADDRESS_AT) {
        return std::nullopt;
    }
    return readBigEndian16(message, emi::memory::FIRST_DATA);
}

}  // namespace lintor
