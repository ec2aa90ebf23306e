#pragma once

#include <span>
#include <string_view>

#include "dpt/dpt_codec.h"
#include "dpt/resolved_type.h"

// DPT 232.600: red, green, blue, one byte each; shown as "#FF8000".
namespace lintor::dpt {

Decoded decodeColour(const ResolvedType& type, std::span<const uint8_t> data);
EncodeResult encodeColour(const ResolvedType& type, std::string_view text);

}  // namespace lintor::dpt
