#include <gtest/gtest.h>

#include "dpt/dpt_codec.h"
#include "tests/dpt/known_answers.h"

namespace lintor::dpt {
namespace {

constexpr bool kSixBit = true;

TEST(BooleanTypes, KnownAnswers) {
    expectBothWays(
        {
            {"1.001", "00", "off", "0 = off"},
            {"1.001", "01", "on", "1 = on"},
            {"1.008", "00", "up", "0 = up"},
            {"1.009", "00", "open", "0 = open"},
            {"1.019", "01", "open", "for a window 1 = open"},
            {"1.100", "01", "heating", "1 = heating"},
            {"1", "01", "1", "no subtype: digits"},
            {"1.013", "00", "0", "a subtype without words: digits"},
        },
        kSixBit);
}

TEST(BooleanTypes, AcceptsDigitsOnOffAndTrueFalseInAnyCase) {
    EXPECT_EQ(encodedHex("1.001", "ON"), "01 six-bit");
    EXPECT_EQ(encodedHex("1.001", "false"), "00 six-bit");
    EXPECT_EQ(encodedHex("1.008", "Down"), "01 six-bit");
    EXPECT_EQ(encodedHex("1.008", "1"), "01 six-bit");
    EXPECT_EQ(encodedHex("1.017", "trigger"), "01 six-bit");  // both values are "trigger"; 1 is sent
    EXPECT_EQ(encodedHex("1", "true"), "01 six-bit");
    expectRefused({{"1.001", "maybe", "give off or on, or 0 or 1"}, {"1", "2", "give 0 or 1"}});
}

TEST(BooleanTypes, OnlyTheLowBitOfALongFormByteCounts) {
    EXPECT_EQ(decodedText("1.001", "81"), "on");
    EXPECT_EQ(decodedText("1.001", "FE"), "off");
    EXPECT_EQ(decode({1, 1}, std::vector<uint8_t>{0x01})->number, 1.0);
}

TEST(ControlledBooleanTypes, KnownAnswers) {
    expectBothWays(
        {
            {"2.001", "03", "control, on", "c = bit 1, v = bit 0"},
            {"2.001", "02", "control, off", "c 1, v 0"},
            {"2.001", "01", "no control, on", "c 0, v 1"},
            {"2.008", "03", "control, down", "words of 1.008"},
            {"2", "02", "control, 0", "no subtype: the value as a digit"},
        },
        kSixBit);
    EXPECT_EQ(encodedHex("2.001", "1,0"), "02 six-bit");
    EXPECT_EQ(encodedHex("2.001", "0, 1"), "01 six-bit");
    EXPECT_EQ(decodedText("2.001", "FD"), "no control, on");  // low two bits 01
    expectRefused({{"2.001", "control", "such as \"control, on\""}, {"2.001", "2,1", "give control or no control"}});
}

TEST(StepControlTypes, KnownAnswers) {
    expectBothWays(
        {
            {"3.007", "0B", "increase 3", "direction 1 in bit 3, step code 3: 0x08 | 3"},
            {"3.007", "01", "decrease 1", "direction 0, step code 1"},
            {"3.007", "0F", "increase 7", "0x08 | 7"},
            {"3.007", "00", "stop", "step code 0"},
            {"3.008", "02", "up 2", "up is direction 0"},
            {"3.008", "09", "down 1", "0x08 | 1"},
            {"3", "0B", "1,3", "no subtype: direction,step code"},
        },
        kSixBit);
    EXPECT_EQ(decodedText("3.007", "08"), "stop");        // a break in either direction
    EXPECT_EQ(decodedText("3.007", "1B"), "increase 3");  // only bits 3-0 count
    EXPECT_EQ(encodedHex("3.007", "INCREASE 3"), "0B six-bit");
    EXPECT_EQ(encodedHex("3.008", "1,1"), "09 six-bit");
    expectRefused({
        {"3.007", "increase 8", "step code from 1 to 7"},
        {"3.007", "up 2", "give increase or decrease"},
        {"3.007", "increase", "give increase or decrease"},
        {"3", "increase 3", "such as \"1,3\""},
    });
}

TEST(TwoBitEnumerationTypes, KnownAnswers) {
    expectBothWays(
        {
            {"23.001", "02", "off/on", "2 = off/on"},
            {"23.003", "03", "down/up", "3 = down/up"},
        },
        kSixBit);
    EXPECT_EQ(encodedHex("23.001", "3"), "03 six-bit");
    expectRefused({{"23.001", "4", "from 0 to 3"}});
}

}  // namespace
}  // namespace lintor::dpt
