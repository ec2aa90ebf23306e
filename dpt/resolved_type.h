#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "dpt/datapoint_type.h"

namespace lintor::dpt {

// How the bytes of a main type are laid out; one codec per family.
enum class Family : uint8_t {
    Boolean,            // 1
    ControlledBoolean,  // 2
    StepControl,        // 3
    Unsigned,           // 5, 7, 12
    Signed,             // 6, 8, 13
    Float16,            // 9
    TimeOfDay,          // 10
    Date,               // 11
    Float32,            // 14
    String,             // 16
    Scene,              // 17
    SceneControl,       // 18
    Enumeration,        // 20, 23
    Colour,             // 232
};

// shown value = raw * numerator / denominator
struct Scale {
    uint16_t numerator = 1;
    uint16_t denominator = 1;

    constexpr bool isOne() const { return numerator == denominator; }
};

// A type as its codec needs it: the main type's layout, and the name, unit
// and scale of the subtype, or of the generic form when the subtype is not
// listed (then listedSub is empty).
struct ResolvedType {
    DatapointType type;  // as asked for, for messages
    Family family = Family::Boolean;
    uint8_t size = 0;        // 0 for six-bit types
    uint8_t sixBitMask = 0;  // the bits that count, for six-bit types
    std::optional<uint16_t> listedSub;
    std::string_view name;
    std::string_view unit;
    Scale scale;
    uint8_t decimals = 0;  // shown after the decimal point
};

std::optional<ResolvedType> resolve(DatapointType type);

}  // namespace lintor::dpt
