#include "link/group_request.h"

#include <algorithm>

#include "link/bus_message.h"
#include "link/byte_order.h"
#include "link/emi.h"

namespace lintor {
namespace {

constexpr uint8_t kControlLowPriority = 0x0C;
constexpr uint8_t kNpciGroupHopCount6 = 0xE0;
constexpr uint8_t kTpciUnnumberedData = 0x00;

}  // namespace

std::vector<uint8_t> groupRequestRecord(GroupServiceCode service, uint16_t source, uint16_t group,
                                        std::span<const uint8_t> value, bool sixBit) {
    std::vector<uint8_t> message{emi::L_DATA_REQ,     kControlLowPriority, highByte(source),
                                 lowByte(source),     highByte(group),     lowByte(group),
                                 kNpciGroupHopCount6, kTpciUnnumberedData, static_cast<uint8_t>(service)};
    if (sixBit) {
        if (!value.empty()) message.back() |= static_cast<uint8_t>(value[0] & emi::APCI_SHORT_DATA_MASK);
    } else {
        const auto kept = value.first(std::min(value.size(), GROUP_VALUE_BYTES_LIMIT));
        message.insert(message.end(), kept.begin(), kept.end());
    }
    // NPCI length: the bytes after the TPCI byte.
    message[emi::field::NPCI] |= static_cast<uint8_t>(message.size() - emi::field::TPCI - 1);

    return recordOf(MSG_DATA_TO_BCU, message);
}

}  // namespace lintor
