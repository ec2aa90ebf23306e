#include "tools/bcusim/group_telegram.h"

#include "link/emi.h"
#include "link/group_value.h"
#include "link/ldata.h"

namespace lintor::bcusim {
namespace {

constexpr uint8_t kIndicationControl = ldata::CONTROL_SENT_ONCE | ldata::priorityBits(Priority::Low);
constexpr uint8_t kGroupRouting = ldata::routingBits(true, ldata::DEFAULT_HOP_COUNT);

// The value's bytes, high byte first; a six-bit value as its one byte.
std::vector<uint8_t> valueBytes(uint32_t value, int dataBytes) {
    if (dataBytes == SIX_BIT_VALUE) return {static_cast<uint8_t>(value)};
    std::vector<uint8_t> bytes;
    for (int shift = 8 * (dataBytes - 1); shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
    }
    return bytes;
}

}  // namespace

bool isValueSize(int dataBytes) {
    return dataBytes == SIX_BIT_VALUE || dataBytes == 1 || dataBytes == 2 || dataBytes == 4;
}

bool valueFits(uint32_t value, int dataBytes) {
    if (dataBytes == SIX_BIT_VALUE) return value <= emi::APCI_SHORT_DATA_MASK;
    if (dataBytes == 4) return true;
    return isValueSize(dataBytes) && value < (1U << (8 * dataBytes));
}

std::optional<std::vector<uint8_t>> groupIndication(GroupService service, uint16_t source, uint16_t group,
                                                    uint32_t value, int dataBytes) {
    if (!isValueSize(dataBytes) || !valueFits(value, dataBytes)) return std::nullopt;
    const std::vector<uint8_t> tpdu = groupTpdu(service, valueBytes(value, dataBytes), dataBytes == SIX_BIT_VALUE);
    return ldata::writeMessage(emi::L_DATA_IND, {kIndicationControl, source, group, kGroupRouting, tpdu});
}

std::optional<GroupRequest> parseGroupRequest(std::span<const uint8_t> message) {
    const auto frame = frameOfRequest(message, 0);
    if (!frame) return std::nullopt;
    return groupRequestOf(*frame);
}

std::optional<GroupRequest> groupRequestOf(const LineFrame& frame) {
    if (!frame.groupDestination) return std::nullopt;
    const auto service = groupServiceOf(frame.tpdu);
    const auto value = groupValueNumber(frame.tpdu);
    if (!service || !value) return std::nullopt;
    const auto dataBytes = static_cast<int>(groupDataOf(frame.tpdu).bytes.size());
    return GroupRequest{frame.destination, *service, *value, dataBytes};
}

}  // namespace lintor::bcusim
