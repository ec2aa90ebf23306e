#include "tools/bcusim/line_frame.h"

#include "link/emi.h"

namespace lintor::bcusim {
namespace {

std::optional<ldata::Fields> fieldsOf(std::span<const uint8_t> message, uint8_t messageCode) {
    if (message.empty() || message[emi::field::MESSAGE_CODE] != messageCode) return std::nullopt;
    return ldata::readFields(message.subspan(emi::field::CONTROL));
}

LineFrame frameOf(const ldata::Fields& fields) {
    LineFrame frame;
    frame.priority = ldata::priorityOf(fields.control);
    frame.source = fields.source;
    frame.destination = fields.destination;
    frame.groupDestination = (fields.routing & ldata::NPCI_GROUP_ADDRESS) != 0;
    frame.hopCount = ldata::hopCountOf(fields.routing);
    frame.tpdu.assign(fields.tpdu.begin(), fields.tpdu.end());
    return frame;
}

}  // namespace

std::optional<LineFrame> frameOfRequest(std::span<const uint8_t> message, uint16_t ownAddress) {
    const auto fields = fieldsOf(message, emi::L_DATA_REQ);
    if (!fields) return std::nullopt;
    LineFrame frame = frameOf(*fields);
    if (frame.source == 0) frame.source = ownAddress;
    return frame;
}

std::optional<LineFrame> frameOfIndication(std::span<const uint8_t> message) {
    const auto fields = fieldsOf(message, emi::L_DATA_IND);
    if (!fields || message.size() != emi::field::TPCI + fields->tpdu.size()) return std::nullopt;
    return frameOf(*fields);
}

std::vector<uint8_t> indicationOf(const LineFrame& frame) {
    const auto control = static_cast<uint8_t>(ldata::CONTROL_SENT_ONCE | ldata::priorityBits(frame.priority));
    return ldata::writeMessage(emi::L_DATA_IND,
                               {control, frame.source, frame.destination,
                                ldata::routingBits(frame.groupDestination, frame.hopCount), frame.tpdu});
}

}  // namespace lintor::bcusim
