#pragma once

#include <span>
#include <string_view>

#include "dpt/dpt_codec.h"
#include "dpt/resolved_type.h"

// Numbers: integers of 1, 2 or 4 bytes with the scale of their subtype
// (DPT 5 to 8, 12, 13), the 2-byte float (9) and the IEEE 754 single (14).
namespace lintor::dpt {

Decoded decodeInteger(const ResolvedType& type, std::span<const uint8_t> data);
EncodeResult encodeInteger(const ResolvedType& type, std::string_view text);

Decoded decodeFloat16(const ResolvedType& type, std::span<const uint8_t> data);
EncodeResult encodeFloat16(const ResolvedType& type, std::string_view text);

Decoded decodeFloat32(const ResolvedType& type, std::span<const uint8_t> data);
EncodeResult encodeFloat32(const ResolvedType& type, std::string_view text);

}  // namespace lintor::dpt
