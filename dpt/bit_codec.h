#pragma once

#include <span>
#include <string_view>

#include "dpt/dpt_codec.h"
#include "dpt/resolved_type.h"

// DPT 1 (one bit), 2 (a bit with its control bit) and 3 (direction and step
// code): six-bit types that share the words of DPT 1 by subtype number.
namespace lintor::dpt {

Decoded decodeBoolean(const ResolvedType& type, std::span<const uint8_t> data);
EncodeResult encodeBoolean(const ResolvedType& type, std::string_view text);

Decoded decodeControlledBoolean(const ResolvedType& type, std::span<const uint8_t> data);
EncodeResult encodeControlledBoolean(const ResolvedType& type, std::string_view text);

Decoded decodeStepControl(const ResolvedType& type, std::span<const uint8_t> data);
EncodeResult encodeStepControl(const ResolvedType& type, std::string_view text);

}  // namespace lintor::dpt
