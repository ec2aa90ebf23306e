#pragma once

#include <cstdint>
#include <optional>

namespace lintor::dpt {

// The two-byte float of DPT 9: a 12-bit signed mantissa in hundredths, scaled
// by 2^exponent; bit 15 is the mantissa's sign, bits 14-11 the exponent, bits
// 10-0 the mantissa's low bits.

// What a sensor sends when it has no valid reading.
inline constexpr uint16_t kKnxFloatInvalid = 0x7FFF;
// Mantissa -2048 and 2046 (2047 would give 7F FF), times 2^15, in hundredths.
inline constexpr double kKnxFloatLowest = -671088.64;
inline constexpr double kKnxFloatHighest = 670433.28;

// Nothing for values beyond the range of the format; NaN gives 7F FF.
std::optional<uint16_t> encodeKnxFloat(double value);
// Values beyond the range are clamped to its limits; NaN gives 7F FF.
uint16_t encodeKnxFloatClamped(double value);
// Nothing for 7F FF.
std::optional<double> decodeKnxFloat(uint16_t word);

}  // namespace lintor::dpt
