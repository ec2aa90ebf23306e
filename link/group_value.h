#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "link/ldata.h"

// The TPDU of a group value service: TPCI, APCI byte, value bytes.
namespace lintor {

// The two top bits of the APCI byte of a group telegram.
enum class GroupServiceCode : uint8_t { Read = 0x00, Response = 0x40, Write = 0x80 };
inline constexpr uint8_t GROUP_SERVICE_MASK = 0xC0;

// Group telegrams go as unnumbered data, whose TPCI leaves the APCI's two
// upper bits zero.
inline constexpr uint8_t GROUP_TPCI = 0x00;

// Fourteen value bytes fill a standard frame, after the TPCI and APCI bytes.
inline constexpr size_t GROUP_VALUE_BYTES_LIMIT = ldata::TPDU_LIMIT - 2;

// With sixBit the first value byte travels in the APCI byte; otherwise the
// value bytes follow it (at most GROUP_VALUE_BYTES_LIMIT; more are left off).
std::vector<uint8_t> groupTpdu(GroupServiceCode service, std::span<const uint8_t> value, bool sixBit);

// Nothing unless the TPCI is GROUP_TPCI and the APCI a group value service.
std::optional<GroupServiceCode> groupServiceOf(std::span<const uint8_t> tpdu);

// The value bytes of a group value service: the six data bits of the APCI
// byte in a TPDU of two bytes, otherwise every byte after the APCI byte.
struct GroupData {
    std::span<const uint8_t> bytes;
    uint8_t sixBitValue = 0;
    bool sixBit = false;
};
GroupData groupDataOf(std::span<const uint8_t> tpdu);

// The value as a number: the six bits, or one to four bytes big-endian.
// Nothing for a TPDU without APCI byte or with more value bytes.
std::optional<uint32_t> groupValueNumber(std::span<const uint8_t> tpdu);

}  // namespace lintor
