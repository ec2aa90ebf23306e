#include "dpt/enumeration_codec.h"

#include <algorithm>
#include <array>
#include <string>

#include "dpt/codec_support.h"

namespace lintor::dpt {
namespace {

struct EnumWord {
    uint16_t main;
    uint16_t sub;
    uint8_t value;
    std::string_view word;
};

constexpr auto kEnumWords = std::to_array<EnumWord>({
    {20, 102, 0, "auto"},
    {20, 102, 1, "comfort"},
    {20, 102, 2, "standby"},
    {20, 102, 3, "economy"},
    {20, 102, 4, "building protection"},
    {23, 1, 0, "off"},
    {23, 1, 1, "on"},
    {23, 1, 2, "off/on"},
    {23, 1, 3, "on/off"},
    {23, 3, 0, "up"},
    {23, 3, 1, "down"},
    {23, 3, 2, "up/down"},
    {23, 3, 3, "down/up"},
});

bool belongsTo(const EnumWord& row, const ResolvedType& type) {
    return type.listedSub && row.main == type.type.main && row.sub == *type.listedSub;
}

int highestValue(const ResolvedType& type) { return type.size == 0 ? type.sixBitMask : 0xFF; }

std::string hint(const ResolvedType& type) {
    std::string words;
    for (const EnumWord& row : kEnumWords) {
        if (belongsTo(row, type)) words += std::string(row.word) + ", ";
    }
    const std::string range = "a number from 0 to " + std::to_string(highestValue(type));
    return words.empty() ? "give " + range : "give one of " + words + "or " + range;
}

}  // namespace

Decoded decodeEnumeration(const ResolvedType& type, std::span<const uint8_t> data) {
    const uint8_t value = data[0];
    const bool hasWords = std::ranges::any_of(kEnumWords, [&](const EnumWord& r) { return belongsTo(r, type); });
    const auto* row =
        std::ranges::find_if(kEnumWords, [&](const EnumWord& r) { return belongsTo(r, type) && r.value == value; });
    std::string text = std::to_string(value);
    if (row != kEnumWords.end()) {
        text = row->word;
    } else if (hasWords) {
        text = "reserved (" + text + ")";
    }
    return Decoded{std::move(text), static_cast<double>(value), ""};
}

EncodeResult encodeEnumeration(const ResolvedType& type, std::string_view text) {
    const std::string_view trimmed = trim(text);
    const auto* row = std::ranges::find_if(
        kEnumWords, [&](const EnumWord& r) { return belongsTo(r, type) && equalsIgnoringAsciiCase(r.word, trimmed); });
    std::optional<int> value;
    if (row != kEnumWords.end()) value = row->value;
    if (!value) value = parseSmall(trimmed, 0, highestValue(type));
    if (!value) return notValid(type, text, hint(type));
    const auto byte = static_cast<uint8_t>(*value);
    if (type.size == 0) return sixBitValue(byte);
    return GroupValue{{byte}};
}

}  // namespace lintor::dpt
