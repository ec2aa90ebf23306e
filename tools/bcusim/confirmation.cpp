#include "tools/bcusim/confirmation.h"

#include "link/emi.h"

namespace lintor::bcusim {
namespace {

constexpr size_t kCodePosition = 0;
constexpr size_t kControlPosition = 1;
// Only the priority (bits 3-2) and the confirm flag survive from the
// request's control field.
constexpr uint8_t kControlKeptBits = 0x0F;

}  // namespace

std::optional<std::vector<uint8_t>> confirmationOf(std::span<const uint8_t> message) {
    if (message.size() <= kControlPosition || message[kCodePosition] != emi::L_DATA_REQ) return std::nullopt;
    std::vector<uint8_t> confirmation(message.begin(), message.end());
    confirmation[kCodePosition] = emi::L_DATA_CON;
    confirmation[kControlPosition] =
        static_cast<uint8_t>(emi::CONTROL_TELEGRAM | (message[kControlPosition] & kControlKeptBits));
    return confirmation;
}

}  // namespace lintor::bcusim
