#include "dpt/knx_float.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tests/support/bytes.h"

namespace lintor::dpt {
namespace {

std::string hexWord(uint16_t word) {
    const std::vector<uint8_t> bytes{static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word & 0xFF)};
    return test::hex(bytes);
}

std::string encoded(double value) {
    const auto word = encodeKnxFloat(value);
    return word ? hexWord(*word) : "(nothing)";
}

double decoded(std::string_view hexText) {
    const std::vector<uint8_t> b = test::bytes(hexText);
    return decodeKnxFloat(static_cast<uint16_t>(b[0] << 8 | b[1])).value_or(-1.0);
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
             Case{21.3, "0C 29"},                                            // 2130 -> 1065 = 0x429, exponent 1
             Case{-30.0, "8A 24"},       // -3000 -> -1500, exponent 1; 0x1000 - 1500 = 0xA24
             Case{100.0, "1C E2"},       // 10000 -> 1250 = 0x4E2, exponent 3
             Case{-273.0, "A1 56"},      // -27300 -> -1706.25, exponent 4; 0x800 - 1706 = 0x156
             Case{670433.28, "7F FE"},   // 2046 * 2^15: the largest valid value
             Case{-671088.64, "F8 00"},  // -2048 * 2^15
         }) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(encoded(c.value), c.bytes);
        EXPECT_EQ(hexWord(encodeKnxFloatClamped(c.value)), c.bytes);
    }
}

TEST(KnxFloat, DecodesMantissaTimesPowerOfTwoInHundredths) {
    EXPECT_DOUBLE_EQ(decoded("0C 29"), 21.3);        // 0x429 = 1065, * 2 = 2130
    EXPECT_DOUBLE_EQ(decoded("8A 24"), -30.0);       // 0xA24 - 0x1000 = -1500, * 2
    EXPECT_DOUBLE_EQ(decoded("87 FF"), -0.01);       // mantissa -1, exponent 0
    EXPECT_DOUBLE_EQ(decoded("A1 56"), -272.96);     // 0x156 - 0x800 = -1706, * 16
    EXPECT_DOUBLE_EQ(decoded("7F FE"), 670433.28);   // 2046 * 2^15
    EXPECT_DOUBLE_EQ(decoded("F8 00"), -671088.64);  // -2048 * 2^15
    EXPECT_FALSE(decodeKnxFloat(0x7FFF));
}

TEST(KnxFloat, OutOfRangeIsRefusedOrClampedAndNaNIsTheInvalidValue) {
    EXPECT_EQ(encoded(1e9), "(nothing)");
    EXPECT_EQ(encoded(670433.29), "(nothing)");
    EXPECT_EQ(encoded(-671088.65), "(nothing)");
    EXPECT_EQ(encoded(std::numeric_limits<double>::infinity()), "(nothing)");
    EXPECT_EQ(encoded(std::nan("")), "7F FF");

    EXPECT_EQ(hexWord(encodeKnxFloatClamped(1e9)), "7F FE");
    EXPECT_EQ(hexWord(encodeKnxFloatClamped(-1e9)), "F8 00");
    EXPECT_EQ(hexWord(encodeKnxFloatClamped(std::numeric_limits<double>::infinity())), "7F FE");
    EXPECT_EQ(hexWord(encodeKnxFloatClamped(std::nan(""))), "7F FF");
}

}  // namespace
}  // namespace lintor::dpt
