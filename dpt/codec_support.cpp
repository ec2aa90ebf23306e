#include "dpt/codec_support.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace lintor::dpt {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool allDigits(std::string_view text) { return std::ranges::all_of(text, isDigit); }

bool isDecimal(std::string_view text) {
    const size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? "" : text.substr(dot + 1);
    return !(whole.empty() && fraction.empty()) && allDigits(whole) && allDigits(fraction);
}

}  // namespace

std::string_view withoutUnit(std::string_view text, std::string_view unit) {
    text = trim(text);
    if (unit.empty() || !text.ends_with(unit)) return text;
    return trim(text.substr(0, text.size() - unit.size()));
}

std::optional<double> parseDecimal(std::string_view text) {
    std::string_view unsignedPart = text;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) unsignedPart.remove_prefix(1);
    if (!isDecimal(unsignedPart)) return std::nullopt;
    // from_chars takes a minus but no plus.
    if (text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<int> parseSmall(std::string_view text, int lowest, int highest) {
    if (text.empty() || !allDigits(text)) return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || value < lowest || value > highest) return std::nullopt;
    return value;
}

std::string formatFixed(double value, int decimals) {
    std::array<char, 64> buffer{};
    const auto [end, error] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
    if (error != std::errc{}) return "?";
    return {buffer.data(), end};
}

std::string formatShort(double value, int decimals) {
    std::string text = formatFixed(value, decimals);
    if (text.find('.') == std::string::npos) return text;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

Decoded shownNumber(std::string numberText, std::string_view unit) {
    double value = 0;
    const auto [end, error] = std::from_chars(numberText.data(), numberText.data() + numberText.size(), value);
    std::optional<double> number;
    if (error == std::errc{} && std::isfinite(value)) number = value;
    std::string text = unit.empty() ? numberText : numberText + " " + std::string(unit);
    return Decoded{std::move(text), number, std::string(unit)};
}

Decoded shownText(std::string text) { return Decoded{std::move(text), std::nullopt, ""}; }

std::string typeLabel(const ResolvedType& type) {
    return std::string(type.name) + " (" + formatDatapointType(type.type) + ")";
}

EncodeFailure notValid(const ResolvedType& type, std::string_view text, std::string_view hint) {
    return {"\"" + std::string(text) + "\" is not a valid " + typeLabel(type) + ": " + std::string(hint)};
}

EncodeFailure outOfRange(const ResolvedType& type, std::string_view text, std::string_view hint) {
    return {"\"" + std::string(text) + "\" is out of range for " + typeLabel(type) + ": " + std::string(hint)};
}

uint32_t readBigEndian(std::span<const uint8_t> data) {
    uint32_t value = 0;
    for (const uint8_t byte : data) value = value << 8U | byte;
    return value;
}

std::vector<uint8_t> bigEndian(uint32_t value, size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = size; i-- > 0; value >>= 8U) bytes[i] = static_cast<uint8_t>(value & 0xFFU);
    return bytes;
}

}  // namespace lintor::dpt
