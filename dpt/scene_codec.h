#pragma once

#include <span>
#include <string_view>

#include "dpt/dpt_codec.h"
#include "dpt/resolved_type.h"

// DPT 17 (scene number) and 18 (scene control: activate or learn). Scenes
// are shown with the number on the wire, 0..63; ETS counts them from 1.
namespace lintor::dpt {

Decoded decodeScene(const ResolvedType& type, std::span<const uint8_t> data);
EncodeResult encodeScene(const ResolvedType& type, std::string_view text);

Decoded decodeSceneControl(const ResolvedType& type, std::span<const uint8_t> data);
EncodeResult encodeSceneControl(const ResolvedType& type, std::string_view text);

}  // namespace lintor::dpt
