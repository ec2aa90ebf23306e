#pragma once

#include <span>
#include <string_view>

#include "dpt/dpt_codec.h"
#include "dpt/resolved_type.h"

// DPT 16: 14 characters, ASCII (16.000, and the generic form) or ISO 8859-1
// (16.001), padded with 00.
//
// Decode shows the text in double quotes, as UTF-8, with \" and \\ for a
// quote and a backslash and \xNN for control characters. Encode takes UTF-8;
// text in double quotes keeps its spaces at either end and may use those
// escapes, other text is trimmed.
namespace lintor::dpt {

Decoded decodeString(const ResolvedType& type, std::span<const uint8_t> data);
EncodeResult encodeString(const ResolvedType& type, std::string_view text);

}  // namespace lintor::dpt
