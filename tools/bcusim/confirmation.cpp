#include "tools/bcusim/confirmation.h"

#include "link/emi.h"
#include "link/ldata.h"

namespace lintor::bcusim {

std::optional<std::vector<uint8_t>> confirmationOf(std::span<const uint8_t> message, bool acknowledged) {
    if (message.size() <= emi::field::CONTROL || message[emi::field::MESSAGE_CODE] != emi::L_DATA_REQ)
        return std::nullopt;
    std::vector<uint8_t> confirmation(message.begin(), message.end());
    confirmation[emi::field::MESSAGE_CODE] = emi::L_DATA_CON;
    // Only the priority and the bits below it survive from the request.
    confirmation[emi::field::CONTROL] =
        static_cast<uint8_t>(ldata::CONTROL_SENT_ONCE | (message[emi::field::CONTROL] & ~ldata::CONTROL_FRAME_MASK));
    if (!acknowledged) confirmation[emi::field::CONTROL] |= ldata::CONTROL_CONFIRM_ERROR;
    return confirmation;
}

}  // namespace lintor::bcusim
