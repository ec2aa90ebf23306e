#include "tools/bcusim/knx_float.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tests/support/bytes.h"

namespace lintor::bcusim {
namespace {

std::string encoded(double value) {
    const uint16_t word = encodeKnxFloat(value);
    const std::vector<uint8_t> bytes{static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word & 0xFF)};
    return test::hex(bytes);
}

// Worked out by hand: value * 100 is halved, the exponent counting the
// halvings, until it fits 12 signed bits; sign in bit 15, exponent in bits
// 14-11, the mantissa's low 11 bits below.
TEST(KnxFloat, KnownAnswers) {
    struct Case {
        double value;
        std::string bytes;
    };
    for (const Case& c : {
             Case{0.0, "00 00"}, Case{0.01, "00 01"}, Case{-0.01, "87 FF"},  // mantissa -1: sign bit, 0x7FF
             Case{-1.0, "87 9C"},                                            // -100: 0x800 - 100 = 0x79C
             Case{20.47, "07 FF"},                                           // 2047 still fits
             Case{20.48, "0C 00"},                                           // 2048 does not: 1024, exponent 1
             Case{-20.48, "80 00"},                                          // -2048 fits
             Case{21.0, "0C 1A"},                                            // 2100 -> 1050 = 0x41A, exponent 1
             Case{100.0, "1C E2"},                                           // 10000 -> 1250 = 0x4E2, exponent 3
             Case{-273.0, "A1 56"},      // -27300 -> -1706.25, exponent 4; 0x800 - 1706 = 0x156
             Case{670433.28, "7F FE"},   // 2046 * 2^15: the largest valid value
             Case{-671088.64, "F8 00"},  // -2048 * 2^15
         }) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(encoded(c.value), c.bytes);
    }
}

TEST(KnxFloat, OutOfRangeIsClampedAndNaNIsTheInvalidValue) {
    EXPECT_EQ(encoded(1e9), "7F FE");
    EXPECT_EQ(encoded(-1e9), "F8 00");
    EXPECT_EQ(encoded(std::numeric_limits<double>::infinity()), "7F FE");
    EXPECT_EQ(encoded(std::nan("")), "7F FF");
}

}  // namespace
}  // namespace lintor::bcusim
