#include "tools/bcusim/knx_float.h"

#include <algorithm>
#include <cmath>

namespace lintor::bcusim {
namespace {

constexpr long kMantissaMin = -2048;
constexpr long kMantissaMax = 2047;
constexpr int kExponentMax = 15;
constexpr unsigned kSignBit = 0x8000;
constexpr int kExponentShift = 11;
constexpr unsigned kMantissaLowBits = 0x07FF;
// The extremes of the format: mantissa -2048 and 2046 (2047 would give
// 7F FF, the invalid value), times 2^15, in hundredths.
constexpr double kLowest = -671088.64;
constexpr double kHighest = 670433.28;
// What a sensor sends when it has no valid reading.
constexpr uint16_t kInvalidValue = 0x7FFF;

bool fitsMantissa(long m) { return m >= kMantissaMin && m <= kMantissaMax; }

}  // namespace

uint16_t encodeKnxFloat(double value) {
    if (std::isnan(value)) return kInvalidValue;
    double scaled = std::clamp(value, kLowest, kHighest) * 100.0;
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

}  // namespace lintor::bcusim
