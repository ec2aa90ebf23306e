#include "dpt/knx_float.h"

#include <algorithm>
#include <cmath>

namespace lintor::dpt {
namespace {

constexpr long kMantissaMin = -2048;
constexpr long kMantissaMax = 2047;
constexpr int kExponentMax = 15;
constexpr unsigned kSignBit = 0x8000;
constexpr int kExponentShift = 11;
constexpr unsigned kExponentMask = 0x0F;
constexpr unsigned kMantissaLowBits = 0x07FF;
constexpr long kMantissaSpan = 0x0800;  // what the sign bit is worth below the low bits

bool fitsMantissa(long m) { return m >= kMantissaMin && m <= kMantissaMax; }

// value within the format's range
uint16_t pack(double value) {
    double scaled = value * 100.0;
    int exponent = 0;
    while (!fitsMantissa(std::lround(scaled)) && exponent < kExponentMax) {
        scaled /= 2.0;
        ++exponent;
    }
    const long mantissa = std::clamp(std::lround(scaled), kMantissaMin, kMantissaMax);

    const unsigned sign = mantissa < 0 ? kSignBit : 0;
    const auto lowBits = static_cast<unsigned>(mantissa) & kMantissaLowBits;
    return static_cast<uint16_t>(sign | (static_cast<unsigned>(exponent) << kExponentShift) | lowBits);
}

}  // namespace

std::optional<uint16_t> encodeKnxFloat(double value) {
    if (std::isnan(value)) return kKnxFloatInvalid;
    if (value < kKnxFloatLowest || value > kKnxFloatHighest) return std::nullopt;
    return pack(value);
}

uint16_t encodeKnxFloatClamped(double value) {
    if (std::isnan(value)) return kKnxFloatInvalid;
    return pack(std::clamp(value, kKnxFloatLowest, kKnxFloatHighest));
}

std::optional<double> decodeKnxFloat(uint16_t word) {
    if (word == kKnxFloatInvalid) return std::nullopt;
    long mantissa = word & kMantissaLowBits;
    if ((word & kSignBit) != 0) mantissa -= kMantissaSpan;
    const auto exponent = static_cast<int>((word >> kExponentShift) & kExponentMask);
    return std::ldexp(static_cast<double>(mantissa), exponent) / 100.0;
}

}  // namespace lintor::dpt
