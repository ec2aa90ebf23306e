#include <gtest/gtest.h>

#include "dpt/dpt_codec.h"
#include "tests/dpt/known_answers.h"
#include "tests/support/bytes.h"

namespace lintor::dpt {
namespace {

std::optional<double> numberOf(DatapointType type, std::string_view hexBytes) {
    return decode(type, test::bytes(hexBytes)).value_or(Decoded{}).number;
}

TEST(UnsignedByteTypes, KnownAnswers) {
    expectBothWays({
        {"5.001", "FF", "100.0 %", "255 * 100 / 255"},
        {"5.001", "00", "0.0 %", "0"},
        {"5.001", "80", "50.2 %", "128 * 100 / 255 = 50.196; 50.2 * 255 / 100 = 128.01 -> 128"},
        {"5.003", "80", "180.7 °", "128 * 360 / 255 = 180.71"},
        {"5.004", "64", "100 %", "0x64 = 100, unscaled"},
        {"5.010", "2A", "42 pulses", "0x2A = 42"},
        {"5", "C8", "200", "0xC8 = 200, no unit"},
    });
    EXPECT_EQ(encodedHex("5.001", "50"), "80");   // 50 * 255 / 100 = 127.5, rounded up to 128
    EXPECT_EQ(encodedHex("5.001", "100"), "FF");  // 100 * 255 / 100
    EXPECT_EQ(encodedHex("5.003", "360 °"), "FF");
    EXPECT_EQ(numberOf({5, 1}, "80"), 50.2);
    expectRefused({
        {"5.001", "101", "out of range for percent (0..100) (5.001): give a number from 0 to 100"},
        {"5.001", "-1", "out of range"},
        {"5.001", "100.1", "out of range"},  // 255.26 steps, not rounded down to 255
        {"5.010", "2.5", "is not a valid pulse count (5.010): give a whole number from 0 to 255"},
        {"5", "256", "give a whole number from 0 to 255"},
        {"5", "12abc", "is not a valid"},
    });
}

TEST(SignedByteTypes, KnownAnswers) {
    expectBothWays({
        {"6.001", "FF", "-1 %", "0xFF - 0x100 = -1"},
        {"6.001", "80", "-128 %", "0x80 - 0x100"},
        {"6.001", "7F", "127 %", "0x7F"},
        {"6.010", "FB", "-5 pulses", "0x100 - 5 = 0xFB"},
    });
    expectRefused({{"6.001", "128", "give a whole number from -128 to 127"}});
}

TEST(UnsignedTwoByteTypes, KnownAnswers) {
    expectBothWays({
        {"7.001", "FF FF", "65535 pulses", "the largest"},
        {"7.002", "01 F4", "500 ms", "0x1F4 = 500"},
        {"7.003", "00 19", "250 ms", "in 10 ms: 0x19 = 25, * 10"},
        {"7.005", "0E 10", "3600 s", "0xE10 = 3600"},
        {"7.013", "03 E8", "1000 lx", "0x3E8 = 1000"},
    });
    EXPECT_EQ(encodedHex("7.003", "255"), "00 1A");  // 25.5 steps of 10 ms, rounded to 26 = 0x1A
    expectRefused({{"7.001", "65536", "from 0 to 65535"}, {"7.001", "-1", "out of range"}});
}

TEST(SignedTwoByteTypes, KnownAnswers) {
    expectBothWays({
        {"8.010", "FF 6A", "-1.50 %", "-150 hundredths: 0x10000 - 150 = 0xFF6A"},
        {"8.010", "7F FF", "327.67 %", "32767 hundredths"},
        {"8.010", "80 00", "-327.68 %", "-32768 hundredths"},
        {"8.001", "FF FF", "-1 pulses", "0x10000 - 1"},
        {"8.011", "00 5A", "90 °", "0x5A = 90"},
    });
    EXPECT_EQ(encodedHex("8.010", "-1.5"), "FF 6A");
    expectRefused({{"8.010", "327.68", "give a number from -327.68 to 327.67"}, {"8.001", "32768", "out of range"}});
}

TEST(FourByteIntegerTypes, KnownAnswers) {
    expectBothWays({
        {"12.001", "FF FF FF FF", "4294967295 pulses", "2^32 - 1"},
        {"12.100", "00 01 51 80", "86400 s", "0x15180 = 65536 + 20864"},
        {"13.010", "FF FF FF FF", "-1 Wh", "two's complement of 1"},
        {"13.001", "80 00 00 00", "-2147483648 pulses", "-2^31, the lowest"},
        {"13.013", "00 00 30 39", "12345 kWh", "0x3039 = 12345"},
        {"13.002", "00 00 3A 98", "1.5000 m³/h", "in 0.0001 m³/h: 15000 = 0x3A98"},
    });
    EXPECT_EQ(encodedHex("13.010", "-1"), "FF FF FF FF");
    expectRefused({
        {"12.001", "4294967296", "from 0 to 4294967295"},
        {"13.001", "2147483648", "from -2147483648 to 2147483647"},
        {"13.002", "214748.3648", "give a number from -214748.3648 to 214748.3647"},
    });
}

TEST(TwoByteFloatTypes, KnownAnswers) {
    expectBothWays({
        {"9.001", "0C 29", "21.30 °C", "2130 -> halve once -> 1065 = 0x429, exponent 1 -> 0x0800 | 0x429"},
        {"9.001", "8A 24", "-30.00 °C", "-3000 -> -1500, exponent 1; 0x1000 - 1500 = 0xA24, sign 0x8000"},
        {"9.001", "7F FF", "invalid", "the value of no reading"},
        {"9.007", "14 E2", "50.00 %", "5000 -> 1250 = 0x4E2, exponent 2 -> 0x1000 | 0x4E2"},
        {"9", "0C 29", "21.30", "no subtype: no unit"},
    });
    // 100000 halved 6 times is 1562.5, rounded to 1563 = 0x61B; (6 << 11) | 0x61B.
    EXPECT_EQ(encodedHex("9.004", "1000"), "36 1B");
    EXPECT_EQ(decodedText("9.004", "36 1B"), "1000.32 lx");  // 1563 * 64 / 100
    EXPECT_EQ(numberOf({9, 1}, "0C 29"), 21.3);
    EXPECT_EQ(numberOf({9, 1}, "7F FF"), std::nullopt);
    EXPECT_EQ(decode({9, 1}, test::bytes("7F FF"))->unit, "°C");
    expectRefused({
        {"9.001", "abc", "\"abc\" is not a valid temperature (9.001): give a number such as 21.5"},
        {"9.001", "21,5", "is not a valid"},  // only '.' as the decimal point
        {"9.001", "670433.29", "give a number from -671088.64 to 670433.28"},
        {"9.001", "1e3", "is not a valid"},
    });
}

TEST(FourByteFloatTypes, KnownAnswers) {
    expectBothWays({
        {"14.027", "43 66 00 00", "230 V", "1.796875 * 2^7: exponent 127 + 7 = 0x86, fraction 0.796875 = 0b110011"},
        {"14.019", "BF 00 00 00", "-0.5 A", "sign, exponent 126 = 0x7E, fraction 0"},
        {"14.068", "41 AC 00 00", "21.5 °C", "1.34375 * 2^4: exponent 0x83, fraction 0b01011"},
        {"14.033", "42 48 00 00", "50 Hz", "1.5625 * 2^5: exponent 0x84, fraction 0b1001"},
        {"14.057", "3D CC CC CD", "0.1", "the float nearest 0.1; power factor has no unit"},
    });
    EXPECT_EQ(numberOf({14, 57}, "3D CC CC CD"), 0.1);  // what the text shows, not 0.100000001
    EXPECT_EQ(decodedText("14", "7F C0 00 00"), "nan");
    EXPECT_EQ(numberOf({14, std::nullopt}, "7F C0 00 00"), std::nullopt);
    expectRefused({
        {"14.056", "watts", "give a number such as 230.5"},
        {"14.056", "1" + std::string(39, '0'), "out of range"},  // 10^39 > 3.4 * 10^38
    });
}

}  // namespace
}  // namespace lintor::dpt
