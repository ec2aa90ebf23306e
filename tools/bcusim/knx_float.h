#pragma once

#include <cstdint>

namespace lintor::bcusim {

// The two-byte float of temperatures and similar values: a 12-bit signed
// mantissa in hundredths, scaled by 2^exponent; bit 15 is the mantissa's sign,
// bits 14-11 the exponent, bits 10-0 the mantissa's low bits. Values beyond
// the range of the format are clamped to its limits; NaN gives 7F FF, the
// value a sensor sends when it has no reading.
uint16_t encodeKnxFloat(double value);

}  // namespace lintor::bcusim
