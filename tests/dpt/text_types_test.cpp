#include <gtest/gtest.h>

#include "dpt/dpt_codec.h"
#include "tests/dpt/known_answers.h"

namespace lintor::dpt {
namespace {

const std::string kNinePads = "00 00 00 00 00 00 00 00 00";

TEST(StringTypes, KnownAnswers) {
    expectBothWays({
        {"16.001", "4B FC 63 68 65 " + kNinePads, "\"Küche\"", "ü is 0xFC in ISO 8859-1, then 00 to 14 bytes"},
        {"16.000", "48 65 6C 6C 6F " + kNinePads, "\"Hello\"", "ASCII"},
        {"16.000", "41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E", "\"ABCDEFGHIJKLMN\"", "14 characters, no 00"},
        {"16.000", "20 61 20 00 00 " + kNinePads, "\" a \"", "in quotes the spaces stay"},
        {"16.000", "41 22 5C 0A 00 " + kNinePads, R"("A\"\\\x0A")", "quote, backslash, line feed escaped"},
    });
    EXPECT_EQ(encodedHex("16.001", "  Küche "), "4B FC 63 68 65 " + kNinePads);  // without quotes: trimmed
    EXPECT_EQ(decodedText("16.001", "41 00 42 00 00 " + kNinePads), "\"A\"");    // up to the first 00
    EXPECT_EQ(decodedText("16.000", "E9 00 00 00 00 " + kNinePads), "\"é\"");    // shown as ISO 8859-1
    expectRefused({
        {"16.000", "Küche", "U+00FC is not a character of ASCII"},
        {"16.001", "5 €", "U+20AC is not a character of ISO 8859-1"},
        {"16.001", "ABCDEFGHIJKLMNO", "too long for ISO 8859-1 string (16.001): it has 15 characters, at most 14"},
        {"16.001", "\xC3", "give UTF-8 text"},          // a sequence cut short
        {"16.001", "\xC3\x41", "give UTF-8 text"},      // 0x41 cannot continue a sequence
        {"16.001", "\xE0\x81\xBC", "give UTF-8 text"},  // '|' in three bytes, an overlong form
        {"16.001", R"("\x00")", "U+0000"},              // 00 ends the text
        {"16.001", R"("\q")", "give UTF-8 text"},       // not an escape
    });
}

TEST(SceneTypes, KnownAnswers) {
    expectBothWays({
        {"17.001", "05", "scene 5", "the scene number as sent, 0..63"},
        {"17.001", "3F", "scene 63", "the largest"},
        {"18.001", "05", "activate scene 5", "bit 7 clear"},
        {"18.001", "85", "learn scene 5", "bit 7 set: 0x80 | 5"},
    });
    EXPECT_EQ(encodedHex("17.001", "5"), "05");
    EXPECT_EQ(encodedHex("18.001", "Scene 5"), "05");
    EXPECT_EQ(decodedText("17.001", "45"), "scene 5");  // bits 7-6 are not the scene's
    expectRefused({{"17.001", "scene 64", "from 0 to 63"}, {"17.001", "kitchen", "is not a valid"}});
}

TEST(EnumerationTypes, KnownAnswers) {
    expectBothWays({
        {"20.102", "00", "auto", "0"},
        {"20.102", "03", "economy", "3"},
        {"20.102", "04", "building protection", "4"},
        {"20", "07", "7", "no subtype: the number"},
    });
    EXPECT_EQ(decodedText("20.102", "05"), "reserved (5)");
    EXPECT_EQ(encodedHex("20.102", "Economy"), "03");
    EXPECT_EQ(encodedHex("20.102", "5"), "05");
    EXPECT_EQ(decode({20, 102}, std::vector<uint8_t>{3})->number, 3.0);
    expectRefused({
        {"20.102", "holiday", "give one of auto, comfort, standby, economy, building protection, or a number"},
        {"20.102", "256", "from 0 to 255"},
    });
}

TEST(ColourType, KnownAnswers) {
    expectBothWays({
        {"232.600", "FF 80 00", "#FF8000", "red 0xFF, green 0x80, blue 0x00"},
        {"232.600", "00 00 00", "#000000", "black"},
    });
    EXPECT_EQ(encodedHex("232.600", "255,128,0"), "FF 80 00");
    EXPECT_EQ(encodedHex("232.600", "#ff8000"), "FF 80 00");
    expectRefused({
        {"232.600", "#FF800", "give #RRGGBB"},
        {"232.600", "#GG0000", "give #RRGGBB"},
        {"232.600", "256,0,0", "give #RRGGBB"},
        {"232.600", "1,2,3,4", "give #RRGGBB"},
    });
}

}  // namespace
}  // namespace lintor::dpt
