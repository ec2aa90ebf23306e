#include "knxip/cemi.h"

#include "link/bus_message.h"
#include "link/byte_order.h"
#include "link/emi.h"
#include "link/telegram_view.h"

namespace lintor::cemi {
namespace {

// Message code, additional information length, then the additional
// information; after it control 1, control 2, source, destination, length.
constexpr size_t kAdditionalInfoLengthAt = 1;
constexpr size_t kFixedFieldsAfterInfo = 7;
constexpr unsigned kPriorityShift = 2;
constexpr unsigned kHopCountShift = 4;

}  // namespace

std::optional<LData> readLData(std::span<const uint8_t> message) {
    if (message.size() <= kAdditionalInfoLengthAt) return std::nullopt;
    const size_t start = kAdditionalInfoLengthAt + 1 + message[kAdditionalInfoLengthAt];
    if (message.size() < start + kFixedFieldsAfterInfo) return std::nullopt;
    const auto fields = message.subspan(start);
    if ((fields[1] & CONTROL2_EXTENDED_FORMAT_MASK) != 0) return std::nullopt;
    const size_t tpduSize = size_t{1} + fields[6];
    if (tpduSize > TPDU_LIMIT || fields.size() < kFixedFieldsAfterInfo + tpduSize) return std::nullopt;
    LData data;
    data.messageCode = message[0];
    data.control1 = fields[0];
    data.control2 = fields[1];
    data.source = readBigEndian16(fields, 2);
    data.destination = readBigEndian16(fields, 4);
    const auto tpdu = fields.subspan(kFixedFieldsAfterInfo, tpduSize);
    data.tpdu.assign(tpdu.begin(), tpdu.end());
    return data;
}

std::vector<uint8_t> writeLData(const LData& message) {
    std::vector<uint8_t> bytes{message.messageCode,
                               0x00,
                               message.control1,
                               message.control2,
                               highByte(message.source),
                               lowByte(message.source),
                               highByte(message.destination),
                               lowByte(message.destination),
                               static_cast<uint8_t>(message.tpdu.size() - 1)};
    bytes.insert(bytes.end(), message.tpdu.begin(), message.tpdu.end());
    return bytes;
}

std::vector<uint8_t> emiRequestRecord(const LData& request) {
    // The BCU sets the frame type and repeat bits itself; EMI's request
    // control field carries the priority alone.
    const auto npci = static_cast<uint8_t>((request.control2 & (CONTROL2_GROUP_ADDRESS | CONTROL2_HOP_COUNT_MASK)) |
                                           (request.tpdu.size() - 1));
    std::vector<uint8_t> message{emi::L_DATA_REQ,
                                 static_cast<uint8_t>(request.control1 & CONTROL1_PRIORITY_MASK),
                                 highByte(request.source),
                                 lowByte(request.source),
                                 highByte(request.destination),
                                 lowByte(request.destination),
                                 npci};
    message.insert(message.end(), request.tpdu.begin(), request.tpdu.end());
    return recordOf(MSG_DATA_TO_BCU, message);
}

std::optional<LData> fromUplinkPayload(uint8_t messageCode, std::span<const uint8_t> payload) {
    const auto view = viewTelegram(payload);
    if (!view) return std::nullopt;
    LData data;
    data.messageCode = messageCode;
    data.control1 = static_cast<uint8_t>(
        CONTROL1_STANDARD_FRAME | (view->repeated ? 0 : CONTROL1_DO_NOT_REPEAT) | CONTROL1_BROADCAST |
        (static_cast<unsigned>(view->priority) << kPriorityShift) | (view->confirmFailed ? CONTROL1_CONFIRM_ERROR : 0));
    data.control2 = static_cast<uint8_t>((view->groupDestination ? CONTROL2_GROUP_ADDRESS : 0) |
                                         (view->hopCount << kHopCountShift));
    data.source = view->source;
    data.destination = view->destination;
    data.tpdu.assign(view->tpdu.begin(), view->tpdu.end());
    return data;
}

LData confirmationOf(const LData& request, bool positive) {
    LData confirmation = request;
    confirmation.messageCode = L_DATA_CON;
    confirmation.control1 =
        static_cast<uint8_t>((request.control1 & ~CONTROL1_CONFIRM_ERROR) | (positive ? 0 : CONTROL1_CONFIRM_ERROR));
    return confirmation;
}

}  // namespace lintor::cemi
