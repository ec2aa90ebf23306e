#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "dpt/datapoint_type.h"
#include "dpt/group_value.h"

namespace lintor::dpt {

struct Decoded {
    std::string text;  // "21.30 °C", "on", "Tue 14:30:05", "2026-12-10", "#FF8000", "increase 3"
    // What the text shows, as a number; for types shown in words the number
    // on the bus (on 1, economy 3, increase 3 is 11). Empty for text, time,
    // date, colour.
    std::optional<double> number;
    std::string unit;  // "°C", "%", "" ...

    friend bool operator==(const Decoded&, const Decoded&) = default;
};

struct EncodeFailure {
    std::string message;  // "\"abc\" is not a valid temperature (9.001): give a number such as 21.5"

    friend bool operator==(const EncodeFailure&, const EncodeFailure&) = default;
};

using EncodeResult = std::variant<GroupValue, EncodeFailure>;

// data: the value bytes; for six-bit types one byte, of which only the type's
// low bits count. Nothing when the type is unknown or data has the wrong size.
std::optional<Decoded> decode(DatapointType type, std::span<const uint8_t> data);

// text as people write it, and as decode shows it (a unit after the number
// may be given or left out).
EncodeResult encode(DatapointType type, std::string_view text);

// A main type this library handles. Without a subtype, or with one it does
// not list, the main type's generic form is used ("9": a 2-byte float without
// unit).
bool isKnown(DatapointType type);

// Bytes of the value: 0 for six-bit types; nothing when unknown.
std::optional<size_t> valueSize(DatapointType type);

// "temperature", "switch", "percent (0..100)", "2-byte float"; "" when unknown.
std::string_view describe(DatapointType type);

}  // namespace lintor::dpt
