#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace lintor::names {

inline constexpr size_t kMainGroupCount = 32;
inline constexpr size_t kMiddleGroupCount = 8;  // in each main group

// What the address column of a names file holds: a main group ("1/-/-" or
// "1/-"), a middle group ("1/2/-"), or a group address written in three
// levels ("1/2/3"), two ("1/515") or none ("2563").
struct AddressCell {
    enum class Kind { MainGroup, MiddleGroup, GroupAddress };

    Kind kind = Kind::GroupAddress;
    uint16_t address = 0;           // of a group address
    std::optional<uint8_t> main;    // unless the address is written in one level
    std::optional<uint8_t> middle;  // in three levels
};

// Decimal numbers only, each within its level's range.
std::optional<AddressCell> parseAddressCell(std::string_view text);

}  // namespace lintor::names
