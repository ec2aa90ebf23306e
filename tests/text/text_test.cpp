#include <gtest/gtest.h>

#include <string>

#include "text/ascii_text.h"
#include "text/utf8.h"

namespace lintor::text {
namespace {

TEST(Utf8, SequencesReadAndWrittenAsTheEncodingDefinesThem) {
    struct Case {
        std::string bytes;
        char32_t codePoint;
    };
    for (const Case& c : {
             Case{"A", 0x41}, Case{"\xC3\xBC", 0xFC},  // ü: 110 00011, 10 111100
             Case{"\xE2\x82\xAC", 0x20AC},             // €
             Case{"\xF0\x9F\x98\x80", 0x1F600},        // the first code point beyond 16 bits here
             Case{"\xF4\x8F\xBF\xBF", 0x10FFFF},       // the last code point
         }) {
        SCOPED_TRACE(c.bytes);
        const auto sequence = readUtf8(c.bytes + "rest");
        ASSERT_TRUE(sequence);
        EXPECT_EQ(sequence->codePoint, c.codePoint);
        EXPECT_EQ(sequence->length, c.bytes.size());
        std::string written;
        appendUtf8(written, c.codePoint);
        EXPECT_EQ(written, c.bytes);
    }
}

TEST(Utf8, ForbiddenSequencesAreRefused) {
    for (const char* bytes : {
             "\xC0\xAF",          // "/" in two bytes: overlong
             "\xE0\x80\xAF",      // and in three
             "\xED\xA0\x80",      // a surrogate
             "\xF4\x90\x80\x80",  // beyond U+10FFFF
             "\xE2\x82",          // cut short
             "\x80",              // a continuation byte alone
             "\xC3\x41",          // a lead byte without its continuation
             "\xFF",
         }) {
        SCOPED_TRACE(bytes);
        EXPECT_FALSE(readUtf8(bytes));
        EXPECT_FALSE(isUtf8(std::string("ok") + bytes));
    }
    EXPECT_FALSE(readUtf8(""));
    EXPECT_TRUE(
        isUtf8("K\xC3\xBC"
               "che"));
}

TEST(AsciiText, TrimAndCaseOfAsciiLettersOnly) {
    EXPECT_EQ(trim(" \t\r\nKitchen light \x7F\n"), "Kitchen light");
    EXPECT_EQ(trim("   "), "");
    EXPECT_TRUE(equalsIgnoringAsciiCase("DPST-9-1", "dpst-9-1"));
    EXPECT_FALSE(
        equalsIgnoringAsciiCase("K\xC3\x9C"
                                "CHE",
                                "k\xC3\xBC"
                                "che"));  // Ü and ü are not ASCII
    EXPECT_FALSE(equalsIgnoringAsciiCase("on", "one"));
    EXPECT_TRUE(startsWithIgnoringAsciiCase("DPT-9", "dpt"));
    EXPECT_FALSE(startsWithIgnoringAsciiCase("DP", "dpt"));
}

}  // namespace
}  // namespace lintor::text
