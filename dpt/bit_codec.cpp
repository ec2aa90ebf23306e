#include "dpt/bit_codec.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "dpt/codec_support.h"

namespace lintor::dpt {
namespace {

struct BitWords {
    uint16_t sub;
    std::string_view zero;
    std::string_view one;
};

constexpr auto kBitWords = std::to_array<BitWords>({
    {1, "off", "on"},
    {2, "false", "true"},
    {3, "disable", "enable"},
    {4, "no ramp", "ramp"},
    {5, "no alarm", "alarm"},
    {6, "low", "high"},
    {7, "decrease", "increase"},
    {8, "up", "down"},
    {9, "open", "close"},
    {10, "stop", "start"},
    {11, "inactive", "active"},
    {12, "not inverted", "inverted"},
    {14, "fixed", "calculated"},
    {15, "no action", "reset"},
    {16, "no action", "acknowledge"},
    {17, "trigger", "trigger"},
    {18, "not occupied", "occupied"},
    {19, "closed", "open"},
    {21, "OR", "AND"},
    {22, "scene A", "scene B"},
    {24, "day", "night"},
    {100, "cooling", "heating"},
});

constexpr BitWords kDigits{0, "0", "1"};

// Subtypes without words of their own (and the generic form) show digits.
BitWords wordsOf(const ResolvedType& type) {
    if (!type.listedSub) return kDigits;
    const auto* row = std::ranges::find(kBitWords, *type.listedSub, &BitWords::sub);
    return row == kBitWords.end() ? kDigits : *row;
}

bool hasWords(const BitWords& words) { return words.sub != kDigits.sub; }

std::string_view wordFor(const BitWords& words, bool bit) { return bit ? words.one : words.zero; }

std::optional<bool> parseBit(const BitWords& words, std::string_view text) {
    text = trim(text);
    // Checked before zero: both words of a trigger are "trigger", which sends 1.
    if (equalsIgnoringAsciiCase(text, words.one)) return true;
    if (equalsIgnoringAsciiCase(text, words.zero)) return false;
    for (const std::string_view word : {"1", "on", "true"}) {
        if (equalsIgnoringAsciiCase(text, word)) return true;
    }
    for (const std::string_view word : {"0", "off", "false"}) {
        if (equalsIgnoringAsciiCase(text, word)) return false;
    }
    return std::nullopt;
}

std::string bitHint(const BitWords& words) {
    if (!hasWords(words)) return "give 0 or 1";
    if (words.zero == words.one) return "give " + std::string(words.one);
    return "give " + std::string(words.zero) + " or " + std::string(words.one) + ", or 0 or 1";
}

std::optional<bool> parseControl(std::string_view text) {
    text = trim(text);
    if (equalsIgnoringAsciiCase(text, "control") || text == "1") return true;
    if (equalsIgnoringAsciiCase(text, "no control") || text == "0") return false;
    return std::nullopt;
}

constexpr uint8_t kDirectionBit = 0x08;
constexpr uint8_t kStepCodeMask = 0x07;
constexpr int kLargestStepCode = 7;

uint8_t stepValue(bool direction, int stepCode) {
    return static_cast<uint8_t>((direction ? kDirectionBit : 0U) | static_cast<unsigned>(stepCode));
}

// "increase 3", "1,3" or "stop".
std::optional<uint8_t> parseStep(const BitWords& words, std::string_view text) {
    text = trim(text);
    if (equalsIgnoringAsciiCase(text, "stop")) return uint8_t{0};
    const size_t comma = text.find(',');
    if (comma != std::string_view::npos) {
        const auto direction = parseSmall(trim(text.substr(0, comma)), 0, 1);
        const auto step = parseSmall(trim(text.substr(comma + 1)), 0, kLargestStepCode);
        if (!direction || !step) return std::nullopt;
        return stepValue(*direction == 1, *step);
    }
    const size_t space = text.rfind(' ');
    if (space == std::string_view::npos || !hasWords(words)) return std::nullopt;
    const std::string_view word = trim(text.substr(0, space));
    const auto step = parseSmall(text.substr(space + 1), 0, kLargestStepCode);
    if (!step) return std::nullopt;
    if (equalsIgnoringAsciiCase(word, words.one)) return stepValue(true, *step);
    if (equalsIgnoringAsciiCase(word, words.zero)) return stepValue(false, *step);
    return std::nullopt;
}

}  // namespace

Decoded decodeBoolean(const ResolvedType& type, std::span<const uint8_t> data) {
    const bool bit = data[0] != 0;
    return Decoded{std::string(wordFor(wordsOf(type), bit)), bit ? 1.0 : 0.0, ""};
}

EncodeResult encodeBoolean(const ResolvedType& type, std::string_view text) {
    const BitWords words = wordsOf(type);
    const auto bit = parseBit(words, text);
    if (!bit) return notValid(type, text, bitHint(words));
    return sixBitValue(*bit ? 1 : 0);
}

Decoded decodeControlledBoolean(const ResolvedType& type, std::span<const uint8_t> data) {
    const bool control = (data[0] & 0x02U) != 0;
    const bool bit = (data[0] & 0x01U) != 0;
    std::string text = std::string(control ? "control, " : "no control, ") + std::string(wordFor(wordsOf(type), bit));
    return Decoded{std::move(text), static_cast<double>(data[0]), ""};
}

EncodeResult encodeControlledBoolean(const ResolvedType& type, std::string_view text) {
    const BitWords words = wordsOf(type);
    const size_t comma = text.find(',');
    const auto control = parseControl(text.substr(0, comma));
    const auto bit = comma == std::string_view::npos ? std::nullopt : parseBit(words, text.substr(comma + 1));
    if (!control || !bit) {
        return notValid(type, text,
                        "give control or no control, then the value, such as \"control, " + std::string(words.one) +
                            R"(" or "1,1")");
    }
    return sixBitValue(static_cast<uint8_t>((*control ? 0x02U : 0U) | (*bit ? 0x01U : 0U)));
}

Decoded decodeStepControl(const ResolvedType& type, std::span<const uint8_t> data) {
    const BitWords words = wordsOf(type);
    const bool direction = (data[0] & kDirectionBit) != 0;
    const int step = data[0] & kStepCodeMask;
    std::string text;
    if (!hasWords(words)) {
        text = std::to_string(direction ? 1 : 0) + "," + std::to_string(step);
    } else if (step == 0) {
        text = "stop";
    } else {
        text = std::string(wordFor(words, direction)) + " " + std::to_string(step);
    }
    return Decoded{std::move(text), static_cast<double>(data[0]), ""};
}

EncodeResult encodeStepControl(const ResolvedType& type, std::string_view text) {
    const BitWords words = wordsOf(type);
    const auto value = parseStep(words, text);
    if (value) return sixBitValue(*value);
    if (!hasWords(words)) return notValid(type, text, "give the direction and the step code, such as \"1,3\"");
    return notValid(type, text,
                    "give " + std::string(words.one) + " or " + std::string(words.zero) +
                        " and a step code from 1 to 7, such as \"" + std::string(words.one) + " 3\", or stop");
}

}  // namespace lintor::dpt
