#include "tools/bcusim/confirmation.h"

#include "link/emi.h"

namespace lintor::bcusim {
namespace {

// Only the priority (bits 3-2) and the confirm flag survive from the
// request's control field.
constexpr uint8_t kControlKeptBits = 0x0F;

}  // namespace

std::optional<std::vector<uint8_t>> confirmationOf(std::span<const uint8_t> message) {
    if (message.size() <= emi::field::CONTROL || message[emi::field::MESSAGE_CODE] != emi::L_DATA_REQ)
        return std::nullopt;
    std::vector<uint8_t> confirmation(message.begin(), message.end());
    confirmation[emi::field::MESSAGE_CODE] = emi::L_DATA_CON;
    confirmation[emi::field::CONTROL] =
        static_cast<uint8_t>(emi::CONTROL_TELEGRAM | (message[emi::field::CONTROL] & kControlKeptBits));
    return confirmation;
}

}  // namespace lintor::bcusim
