#pragma once

#include <span>
#include <string_view>

#include "dpt/dpt_codec.h"
#include "dpt/resolved_type.h"

// DPT 20 (one byte) and 23 (two bits, six-bit form): a number with a word
// for each value the subtype defines; other values show as "reserved (N)".
namespace lintor::dpt {

Decoded decodeEnumeration(const ResolvedType& type, std::span<const uint8_t> data);
EncodeResult encodeEnumeration(const ResolvedType& type, std::string_view text);

}  // namespace lintor::dpt
