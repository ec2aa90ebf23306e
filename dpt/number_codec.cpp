#include "dpt/number_codec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "dpt/codec_support.h"
#include "dpt/knx_float.h"

namespace lintor::dpt {
namespace {

struct RawRange {
    int64_t lowest;
    int64_t highest;
};

constexpr size_t kBitsPerByte = 8;

RawRange rawRange(const ResolvedType& type) {
    const size_t bits = kBitsPerByte * type.size;
    if (type.family == Family::Signed) {
        const int64_t half = int64_t{1} << (bits - 1);
        return {-half, half - 1};
    }
    return {0, (int64_t{1} << bits) - 1};
}

double scaled(const ResolvedType& type, double raw) { return raw * type.scale.numerator / type.scale.denominator; }

std::string rangeHint(const ResolvedType& type) {
    const RawRange range = rawRange(type);
    const std::string lowest = formatShort(scaled(type, static_cast<double>(range.lowest)), type.decimals);
    const std::string highest = formatShort(scaled(type, static_cast<double>(range.highest)), type.decimals);
    const char* kind = type.scale.isOne() ? "give a whole number from " : "give a number from ";
    return kind + lowest + " to " + highest;
}

// A thousandth of a step, so that 327.67 is not refused for 8.010 when
// 327.67 * 100 comes out a hair above 32767.
constexpr double kRawTolerance = 0.001;

constexpr int kFloat16Decimals = 2;

std::string shortestFloat(float value) {
    std::array<char, 32> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (error != std::errc{}) return "?";
    return {buffer.data(), end};
}

}  // namespace

Decoded decodeInteger(const ResolvedType& type, std::span<const uint8_t> data) {
    auto raw = static_cast<int64_t>(readBigEndian(data));
    const RawRange range = rawRange(type);
    if (raw > range.highest) raw -= (range.highest + 1) * 2;
    return shownNumber(formatFixed(scaled(type, static_cast<double>(raw)), type.decimals), type.unit);
}

EncodeResult encodeInteger(const ResolvedType& type, std::string_view text) {
    const auto value = parseDecimal(withoutUnit(text, type.unit));
    const bool whole = value && std::floor(*value) == *value;
    if (!value || (type.scale.isOne() && !whole)) return notValid(type, text, rangeHint(type));
    const double raw = *value * type.scale.denominator / type.scale.numerator;
    const RawRange range = rawRange(type);
    if (raw < static_cast<double>(range.lowest) - kRawTolerance ||
        raw > static_cast<double>(range.highest) + kRawTolerance) {
        return outOfRange(type, text, rangeHint(type));
    }
    const int64_t rounded = std::clamp(static_cast<int64_t>(std::llround(raw)), range.lowest, range.highest);
    // Two's complement: the low bytes of a negative number are its wire form.
    return GroupValue{bigEndian(static_cast<uint32_t>(rounded), type.size)};
}

Decoded decodeFloat16(const ResolvedType& type, std::span<const uint8_t> data) {
    const auto value = decodeKnxFloat(static_cast<uint16_t>(readBigEndian(data)));
    if (!value) return Decoded{"invalid", std::nullopt, std::string(type.unit)};
    return shownNumber(formatFixed(*value, kFloat16Decimals), type.unit);
}

EncodeResult encodeFloat16(const ResolvedType& type, std::string_view text) {
    const std::string_view number = withoutUnit(text, type.unit);
    if (equalsIgnoringAsciiCase(number, "invalid")) return GroupValue{bigEndian(kKnxFloatInvalid, 2)};
    const auto value = parseDecimal(number);
    if (!value) return notValid(type, text, "give a number such as 21.5");
    const auto word = encodeKnxFloat(*value);
    if (!word) {
        return outOfRange(type, text,
                          "give a number from " + formatShort(kKnxFloatLowest, kFloat16Decimals) + " to " +
                              formatShort(kKnxFloatHighest, kFloat16Decimals));
    }
    return GroupValue{bigEndian(*word, 2)};
}

Decoded decodeFloat32(const ResolvedType& type, std::span<const uint8_t> data) {
    return shownNumber(shortestFloat(std::bit_cast<float>(readBigEndian(data))), type.unit);
}

EncodeResult encodeFloat32(const ResolvedType& type, std::string_view text) {
    const auto value = parseDecimal(withoutUnit(text, type.unit));
    if (!value) return notValid(type, text, "give a number such as 230.5");
    if (std::fabs(*value) > std::numeric_limits<float>::max()) {
        return outOfRange(type, text, "give a number of at most about 3.4 * 10^38");
    }
    return GroupValue{bigEndian(std::bit_cast<uint32_t>(static_cast<float>(*value)), 4)};
}

}  // namespace lintor::dpt
