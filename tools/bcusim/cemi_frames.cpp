#include "tools/bcusim/cemi_frames.h"

#include "link/cemi.h"
#include "link/ldata.h"

namespace lintor::bcusim {
namespace {

std::optional<cemi::LData> requestOf(std::span<const uint8_t> message) {
    if (message.empty() || message[0] != cemi::L_DATA_REQ) return std::nullopt;
    return cemi::readLData(message);
}

}  // namespace

std::optional<LineFrame> frameOfCemiRequest(std::span<const uint8_t> message, uint16_t ownAddress) {
    const auto request = requestOf(message);
    if (!request) return std::nullopt;
    LineFrame frame;
    frame.priority = ldata::priorityOf(request->control1);
    frame.source = request->source == 0 ? ownAddress : request->source;
    frame.destination = request->destination;
    frame.groupDestination = (request->control2 & cemi::CONTROL2_GROUP_ADDRESS) != 0;
    frame.hopCount = ldata::hopCountOf(request->control2);
    frame.tpdu = request->tpdu;
    return frame;
}

std::optional<std::vector<uint8_t>> cemiConfirmationOf(std::span<const uint8_t> request, bool acknowledged) {
    auto confirmation = requestOf(request);
    if (!confirmation) return std::nullopt;
    confirmation->messageCode = cemi::L_DATA_CON;
    // The request's control field 1 otherwise: only the confirm bit tells.
    const auto error = acknowledged ? uint8_t{0} : cemi::CONTROL1_CONFIRM_ERROR;
    confirmation->control1 = static_cast<uint8_t>((confirmation->control1 & ~cemi::CONTROL1_CONFIRM_ERROR) | error);
    return cemi::writeLData(*confirmation);
}

std::vector<uint8_t> cemiIndicationOf(const LineFrame& frame) {
    cemi::LData indication;
    indication.messageCode = cemi::L_DATA_IND;
    // A standard frame heard once, broadcast rather than system broadcast.
    indication.control1 = static_cast<uint8_t>(ldata::CONTROL_SENT_ONCE | ldata::priorityBits(frame.priority));
    indication.control2 = ldata::routingBits(frame.groupDestination, frame.hopCount);
    indication.source = frame.source;
    indication.destination = frame.destination;
    indication.tpdu = frame.tpdu;
    return cemi::writeLData(indication);
}

}  // namespace lintor::bcusim
