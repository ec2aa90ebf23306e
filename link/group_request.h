#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace lintor {

// The two top bits of the APCI byte of a group telegram.
enum class GroupServiceCode : uint8_t { Read = 0x00, Response = 0x40, Write = 0x80 };

// Fourteen value bytes fill a standard frame: the NPCI length counts them and
// the APCI byte, up to 15.
inline constexpr size_t GROUP_VALUE_BYTES_LIMIT = 14;

// An L_Data.req of a group telegram at low priority with hop count 6, as the
// MSG_DATA_TO_BCU record that carries it. With sixBit the first value byte
// travels in the APCI byte; otherwise the value bytes follow it (at most
// GROUP_VALUE_BYTES_LIMIT; more are left off). The BCU puts its own address
// in place of a source 0.0.0.
std::vector<uint8_t> groupRequestRecord(GroupServiceCode service, uint16_t source, uint16_t group,
                                        std::span<const uint8_t> value, bool sixBit);

}  // namespace lintor
