#include "tools/bcusim/group_telegram.h"

#include "link/byte_order.h"
#include "link/emi.h"

namespace lintor::bcusim {
namespace {

constexpr uint8_t kControlStandardNotRepeated = 0xBC;
constexpr uint8_t kHopCountSix = 0x60;
constexpr uint8_t kServiceMask = 0xC0;
// An unnumbered data packet whose APCI starts with two zero bits, as every
// group service does.
constexpr uint8_t kGroupTpci = 0x00;
constexpr size_t kMaxDataBytes = 4;

void pushWord(std::vector<uint8_t>& out, uint16_t word) {
    out.push_back(highByte(word));
    out.push_back(lowByte(word));
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
    const auto serviceBits = static_cast<uint8_t>(service);
    std::vector<uint8_t> message;
    message.push_back(emi::L_DATA_IND);
    message.push_back(kControlStandardNotRepeated);
    pushWord(message, source);
    pushWord(message, group);
    message.push_back(static_cast<uint8_t>(emi::NPCI_GROUP_ADDRESS | kHopCountSix | (1 + dataBytes)));
    message.push_back(kGroupTpci);
    if (dataBytes == SIX_BIT_VALUE) {
        message.push_back(static_cast<uint8_t>(serviceBits | value));
        return message;
    }
    message.push_back(serviceBits);
    for (int shift = 8 * (dataBytes - 1); shift >= 0; shift -= 8) {
        message.push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
    }
    return message;
}

std::optional<GroupRequest> parseGroupRequest(std::span<const uint8_t> message) {
    if (message.size() <= emi::field::APCI || message[emi::field::MESSAGE_CODE] != emi::L_DATA_REQ) return std::nullopt;
    const uint8_t npci = message[emi::field::NPCI];
    if ((npci & emi::NPCI_GROUP_ADDRESS) == 0 || message[emi::field::TPCI] != kGroupTpci) return std::nullopt;

    const size_t length = npci & emi::NPCI_LENGTH_MASK;
    if (length == 0 || length > 1 + kMaxDataBytes || message.size() < emi::field::APCI + length) {
        return std::nullopt;
    }
    const size_t dataBytes = length - 1;
    const uint8_t apci = message[emi::field::APCI];
    const uint8_t serviceBits = apci & kServiceMask;
    if (serviceBits == kServiceMask) return std::nullopt;  // not a group value service

    GroupRequest request;
    request.group = readBigEndian16(message, emi::field::DESTINATION);
    request.service = static_cast<GroupService>(serviceBits);
    request.dataBytes = static_cast<int>(dataBytes);
    request.value = dataBytes == 0 ? (apci & emi::APCI_SHORT_DATA_MASK)
                                   : readBigEndian(message.subspan(emi::field::FIRST_DATA, dataBytes));
    return request;
}

}  // namespace lintor::bcusim
