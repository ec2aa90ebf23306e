#include "link/cemi.h"

#include <algorithm>
#include <array>

#include "link/bus_message.h"
#include "link/byte_order.h"

namespace lintor::cemi {
namespace {

// Message code, additional information length, then the additional
// information; the fields after it, counted from its end.
constexpr size_t kAdditionalInfoLengthAt = 1;
constexpr size_t kControl1At = 0;
constexpr size_t kControl2At = 1;
constexpr size_t kSourceAt = 2;
constexpr size_t kDestinationAt = 4;
constexpr size_t kLengthAt = 6;
constexpr size_t kTpduAt = 7;

// What cEMI shows of the BCU's control field: the frame is always a standard
// one, sent as a broadcast.
constexpr uint8_t kControl1FromBcu =
    ldata::CONTROL_NOT_REPEATED | ldata::CONTROL_PRIORITY_MASK | ldata::CONTROL_CONFIRM_ERROR;
constexpr uint8_t kControl1Always = ldata::CONTROL_STANDARD_FRAME | ldata::CONTROL_BROADCAST;
// And back: what EMI shows of a module's control field 1.
constexpr uint8_t kControl1ToEmi = ldata::CONTROL_STANDARD_FRAME | ldata::CONTROL_NOT_REPEATED |
                                   ldata::CONTROL_PRIORITY_MASK | ldata::CONTROL_CONFIRM_ERROR;
// A request's control field 1: a standard frame that the module repeats when
// it is not acknowledged (in a request the bit reads so).
constexpr uint8_t kControl1Request = kControl1Always | ldata::CONTROL_NOT_REPEATED;

// cEMI's bus monitor indication carries the status and time stamp as
// additional information; EMI's gives them as fields before the frame.
constexpr uint8_t kBusmonitorStatusInfo = 0x03;
constexpr uint8_t kTimestampInfo = 0x04;

std::optional<std::vector<uint8_t>> emiBusmonitorOf(std::span<const uint8_t> message) {
    if (message.size() <= kAdditionalInfoLengthAt) return std::nullopt;
    const size_t end = kAdditionalInfoLengthAt + 1 + message[kAdditionalInfoLengthAt];
    if (message.size() <= end) return std::nullopt;
    uint8_t status = 0;
    std::array<uint8_t, 2> timestamp{};
    for (size_t at = kAdditionalInfoLengthAt + 1; at + 2 <= end;) {
        const uint8_t type = message[at];
        const size_t length = message[at + 1];
        if (at + 2 + length > end) return std::nullopt;
        const auto value = message.subspan(at + 2, length);
        if (type == kBusmonitorStatusInfo && length == 1) status = value[0];
        if (type == kTimestampInfo && length == timestamp.size()) std::ranges::copy(value, timestamp.begin());
        at += 2 + length;
    }
    std::vector<uint8_t> emiMessage{L_BUSMON_IND, status, timestamp[0], timestamp[1]};
    emiMessage.insert(emiMessage.end(), message.begin() + static_cast<ptrdiff_t>(end), message.end());
    return emiMessage;
}

}  // namespace

std::optional<LData> readLData(std::span<const uint8_t> message) {
    if (message.size() <= kAdditionalInfoLengthAt) return std::nullopt;
    const size_t start = kAdditionalInfoLengthAt + 1 + message[kAdditionalInfoLengthAt];
    if (message.size() < start + kTpduAt) return std::nullopt;
    const auto fields = message.subspan(start);
    // Below the routing bits an extended frame gives its format.
    if ((fields[kControl2At] & ~ldata::NPCI_ROUTING_MASK) != 0) return std::nullopt;
    const size_t tpduSize = ldata::tpduSizeOf(fields[kLengthAt]);
    if (tpduSize > ldata::TPDU_LIMIT || fields.size() < kTpduAt + tpduSize) return std::nullopt;
    LData data;
    data.messageCode = message[0];
    data.control1 = fields[kControl1At];
    data.control2 = fields[kControl2At];
    data.source = readBigEndian16(fields, kSourceAt);
    data.destination = readBigEndian16(fields, kDestinationAt);
    const auto tpdu = fields.subspan(kTpduAt, tpduSize);
    data.tpdu.assign(tpdu.begin(), tpdu.end());
    return data;
}

std::vector<uint8_t> writeLData(const LData& message) {
    // No additional information: the fields follow its length of 0.
    constexpr size_t kFieldsAt = kAdditionalInfoLengthAt + 1;
    std::vector<uint8_t> bytes(kFieldsAt + kTpduAt + message.tpdu.size());
    bytes[0] = message.messageCode;
    const auto fields = std::span(bytes).subspan(kFieldsAt);
    fields[kControl1At] = message.control1;
    fields[kControl2At] = message.control2;
    fields[kSourceAt] = highByte(message.source);
    fields[kSourceAt + 1] = lowByte(message.source);
    fields[kDestinationAt] = highByte(message.destination);
    fields[kDestinationAt + 1] = lowByte(message.destination);
    fields[kLengthAt] = ldata::lengthOf(message.tpdu.size());
    std::ranges::copy(message.tpdu, fields.begin() + kTpduAt);
    return bytes;
}

std::vector<uint8_t> emiRequestRecord(const LData& request) {
    // The BCU sets the frame type and repeat bits itself; EMI's request
    // control field carries the priority alone.
    const ldata::Fields fields{static_cast<uint8_t>(request.control1 & ldata::CONTROL_PRIORITY_MASK), request.source,
                               request.destination, request.control2, request.tpdu};
    return recordOf(MSG_DATA_TO_BCU, ldata::writeMessage(emi::L_DATA_REQ, fields));
}

std::optional<LData> fromUplinkPayload(uint8_t messageCode, std::span<const uint8_t> payload) {
    const auto fields = ldata::readFields(payload);
    if (!fields) return std::nullopt;
    LData data;
    data.messageCode = messageCode;
    data.control1 = static_cast<uint8_t>(kControl1Always | (fields->control & kControl1FromBcu));
    data.control2 = fields->routing;
    data.source = fields->source;
    data.destination = fields->destination;
    data.tpdu.assign(fields->tpdu.begin(), fields->tpdu.end());
    return data;
}

std::optional<std::vector<uint8_t>> emiMessageOf(std::span<const uint8_t> message) {
    if (message.empty()) return std::nullopt;
    if (message[0] == L_BUSMON_IND) return emiBusmonitorOf(message);
    if (message[0] != L_DATA_IND && message[0] != L_DATA_CON) return std::nullopt;
    const auto data = readLData(message);
    if (!data) return std::nullopt;
    const auto control = static_cast<uint8_t>(ldata::CONTROL_BROADCAST | (data->control1 & kControl1ToEmi));
    const ldata::Fields fields{control, data->source, data->destination,
                               static_cast<uint8_t>(data->control2 & ldata::NPCI_ROUTING_MASK), data->tpdu};
    return ldata::writeMessage(data->messageCode, fields);
}

std::optional<std::vector<uint8_t>> moduleRequestOf(std::span<const uint8_t> emiMessage) {
    if (emiMessage.empty() || emiMessage[emi::field::MESSAGE_CODE] != emi::L_DATA_REQ) return std::nullopt;
    const auto fields = ldata::readFields(emiMessage.subspan(emi::field::CONTROL));
    if (!fields) return std::nullopt;
    LData request;
    request.messageCode = L_DATA_REQ;
    // A standard frame, repeated on the line when not acknowledged, as the
    // BCU does, at the priority the client chose.
    request.control1 = static_cast<uint8_t>(kControl1Request | (fields->control & ldata::CONTROL_PRIORITY_MASK));
    request.control2 = fields->routing;
    request.source = fields->source;
    request.destination = fields->destination;
    request.tpdu.assign(fields->tpdu.begin(), fields->tpdu.end());
    return writeLData(request);
}

LData confirmationOf(const LData& request, bool positive) {
    LData confirmation = request;
    confirmation.messageCode = L_DATA_CON;
    confirmation.control1 = static_cast<uint8_t>((request.control1 & ~ldata::CONTROL_CONFIRM_ERROR) |
                                                 (positive ? 0 : ldata::CONTROL_CONFIRM_ERROR));
    return confirmation;
}

}  // namespace lintor::cemi
