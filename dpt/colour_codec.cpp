#include "dpt/colour_codec.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <string>

#include "dpt/codec_support.h"

namespace lintor::dpt {
namespace {

constexpr size_t kHexDigits = 6;

// "#FF8000", letters in either case
std::optional<std::array<uint8_t, 3>> parseHex(std::string_view text) {
    if (text.size() != kHexDigits + 1 || text.front() != '#') return std::nullopt;
    std::array<uint8_t, 3> colour{};
    for (size_t i = 0; i < colour.size(); ++i) {
        const std::string_view pair = text.substr(1 + 2 * i, 2);
        const auto [end, error] = std::from_chars(pair.data(), pair.data() + pair.size(), colour[i], 16);
        if (error != std::errc{} || end != pair.data() + pair.size()) return std::nullopt;
    }
    return colour;
}

// "255,128,0"
std::optional<std::array<uint8_t, 3>> parseTriple(std::string_view text) {
    std::array<uint8_t, 3> colour{};
    for (size_t i = 0; i < colour.size(); ++i) {
        const size_t comma = i + 1 < colour.size() ? text.find(',') : text.size();
        if (comma == std::string_view::npos) return std::nullopt;
        const auto part = parseSmall(trim(text.substr(0, comma)), 0, 0xFF);
        if (!part) return std::nullopt;
        colour[i] = static_cast<uint8_t>(*part);
        text = text.substr(std::min(comma + 1, text.size()));
    }
    return colour;
}

}  // namespace

Decoded decodeColour(const ResolvedType&, std::span<const uint8_t> data) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "#%02X%02X%02X", unsigned{data[0]}, unsigned{data[1]}, unsigned{data[2]});
    return shownText(text.data());
}

EncodeResult encodeColour(const ResolvedType& type, std::string_view text) {
    const std::string_view trimmed = trim(text);
    auto colour = parseHex(trimmed);
    if (!colour) colour = parseTriple(trimmed);
    if (!colour)
        return notValid(type, text, "give #RRGGBB in hex, such as #FF8000, or red,green,blue such as 255,128,0");
    return GroupValue{{colour->begin(), colour->end()}};
}

}  // namespace lintor::dpt
