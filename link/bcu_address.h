#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lintor {

// The BCU's own individual address, read from its memory through EMI: the
// record that asks for it, and the address in the BCU's answer.
std::vector<uint8_t> bcuAddressRequestRecord();
// The address, when message (code first) is the PC_Get_Value.con of that
// request; nothing for any other message.
std::optional<uint16_t> bcuAddressOf(std::span<const uint8_t> message);

}  // namespace lintor
