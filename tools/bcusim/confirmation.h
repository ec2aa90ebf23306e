#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lintor::bcusim {

// The L_Data.con the BCU sends up once it has put an L_Data.req on the bus:
// the request with message code 2E and the control field of a standard frame
// that was sent without repetition. A frame nobody acknowledged (the BCU
// repeated it and gave up) has the confirm error bit set as well. Empty for
// every other message, which the BCU only acknowledges.
std::optional<std::vector<uint8_t>> confirmationOf(std::span<const uint8_t> message, bool acknowledged = true);

}  // namespace lintor::bcusim
