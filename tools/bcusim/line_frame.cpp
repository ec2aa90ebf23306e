#include "tools/bcusim/line_frame.h"

#include "link/emi.h"

namespace lintor::bcusim {

std::optional<LineFrame> frameOfRequest(std::span<const uint8_t> message, uint16_t ownAddress) {
    if (message.empty() || message[emi::field::MESSAGE_CODE] != emi::L_DATA_REQ) return std::nullopt;
    const auto fields = ldata::readFields(message.subspan(emi::field::CONTROL));
    if (!fields) return std::nullopt;
    LineFrame frame;
    frame.priority = ldata::priorityOf(fields->control);
    frame.source = fields->source == 0 ? ownAddress : fields->source;
    frame.destination = fields->destination;
    frame.groupDestination = (fields->routing & ldata::NPCI_GROUP_ADDRESS) != 0;
    frame.hopCount = ldata::hopCountOf(fields->routing);
    frame.tpdu.assign(fields->tpdu.begin(), fields->tpdu.end());
    return frame;
}

std::vector<uint8_t> indicationOf(const LineFrame& frame) {
    const auto control = static_cast<uint8_t>(ldata::CONTROL_SENT_ONCE | ldata::priorityBits(frame.priority));
    return ldata::writeMessage(emi::L_DATA_IND,
                               {control, frame.source, frame.destination,
                                ldata::routingBits(frame.groupDestination, frame.hopCount), frame.tpdu});
}

}  // namespace lintor::bcusim
