#include "dpt/dpt_codec.h"

#include <array>

#include "dpt/bit_codec.h"
#include "dpt/colour_codec.h"
#include "dpt/enumeration_codec.h"
#include "dpt/number_codec.h"
#include "dpt/resolved_type.h"
#include "dpt/scene_codec.h"
#include "dpt/string_codec.h"
#include "dpt/time_codec.h"

namespace lintor::dpt {

std::optional<Decoded> decode(DatapointType type, std::span<const uint8_t> data) {
    const auto resolved = resolve(type);
    if (!resolved) return std::nullopt;
    const bool sixBit = resolved->size == 0;
    if (data.size() != (sixBit ? 1 : resolved->size)) return std::nullopt;
    // Six-bit values may come from the APCI byte or, sent in long form, from
    // a byte of their own; either way only the type's low bits count.
    std::array<uint8_t, 1> masked{};
    if (sixBit) {
        masked[0] = data[0] & resolved->sixBitMask;
        data = masked;
    }

    const ResolvedType& t = *resolved;
    switch (t.family) {
    case Family::Boolean:
        return decodeBoolean(t, data);
    case Family::ControlledBoolean:
        return decodeControlledBoolean(t, data);
    case Family::StepControl:
        return decodeStepControl(t, data);
    case Family::Unsigned:
    case Family::Signed:
        return decodeInteger(t, data);
    case Family::Float16:
        return decodeFloat16(t, data);
    case Family::TimeOfDay:
        return decodeTimeOfDay(t, data);
    case Family::Date:
        return decodeDate(t, data);
    case Family::Float32:
        return decodeFloat32(t, data);
    case Family::String:
        return decodeString(t, data);
    case Family::Scene:
        return decodeScene(t, data);
    case Family::SceneControl:
        return decodeSceneControl(t, data);
    case Family::Enumeration:
        return decodeEnumeration(t, data);
    case Family::Colour:
        return decodeColour(t, data);
    }
    return std::nullopt;
}

EncodeResult encode(DatapointType type, std::string_view text) {
    const auto resolved = resolve(type);
    if (!resolved) return EncodeFailure{"datapoint type " + formatDatapointType(type) + " is not known"};

    const ResolvedType& t = *resolved;
    switch (t.family) {
    case Family::Boolean:
        return encodeBoolean(t, text);
    case Family::ControlledBoolean:
        return encodeControlledBoolean(t, text);
    case Family::StepControl:
        return encodeStepControl(t, text);
    case Family::Unsigned:
    case Family::Signed:
        return encodeInteger(t, text);
    case Family::Float16:
        return encodeFloat16(t, text);
    case Family::TimeOfDay:
        return encodeTimeOfDay(t, text);
    case Family::Date:
        return encodeDate(t, text);
    case Family::Float32:
        return encodeFloat32(t, text);
    case Family::String:
        return encodeString(t, text);
    case Family::Scene:
        return encodeScene(t, text);
    case Family::SceneControl:
        return encodeSceneControl(t, text);
    case Family::Enumeration:
        return encodeEnumeration(t, text);
    case Family::Colour:
        return encodeColour(t, text);
    }
    return EncodeFailure{"datapoint type " + formatDatapointType(type) + " is not known"};
}

bool isKnown(DatapointType type) { return resolve(type).has_value(); }

std::optional<size_t> valueSize(DatapointType type) {
    const auto resolved = resolve(type);
    if (!resolved) return std::nullopt;
    return resolved->size;
}

std::string_view describe(DatapointType type) {
    const auto resolved = resolve(type);
    return resolved ? resolved->name : "";
}

}  // namespace lintor::dpt
