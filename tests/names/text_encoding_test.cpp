// Bytes of names files as UTF-8, whichever encoding they came in.
#include "names/text_encoding.h"

#include <gtest/gtest.h>

namespace lintor::names {
namespace {

TEST(TextEncoding, Utf8IsKeptOtherBytesAreWindows1252) {
    struct Case {
        const char* name;
        std::string_view bytes;
        std::string_view utf8;
    };
    for (const Case& c : {
             Case{"ASCII", "Licht 1/2/3", "Licht 1/2/3"},
             Case{"UTF-8 umlaut",
                  "K\xC3\xBC"
                  "che",
                  "K\xC3\xBC"
                  "che"},
             Case{"four-byte sequence", "\xF0\x9F\x92\xA1", "\xF0\x9F\x92\xA1"},
             Case{"mark dropped",
                  "\xEF\xBB\xBF"
                  "a",
                  "a"},
             Case{"Latin-1 umlaut",
                  "K\xFC"
                  "che",
                  "K\xC3\xBC"
                  "che"},
             Case{"Latin-1 sharp s and y diaeresis", "\xDF\xFF", "\xC3\x9F\xC3\xBF"},
             Case{"euro sign", "\x80", "\xE2\x82\xAC"},
             Case{"German quotes",
                  "\x84"
                  "a\x93",
                  "\xE2\x80\x9E"
                  "a\xE2\x80\x9C"},
             Case{"undefined in Windows-1252", "\x81\x9D", "\xC2\x81\xC2\x9D"},
             Case{"overlong form", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
             Case{"surrogate", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
             Case{"cut short", "\xE2\x82", "\xC3\xA2\xE2\x80\x9A"},
             Case{"beyond U+10FFFF", "\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},
             Case{"mark before Latin-1", "\xEF\xBB\xBF\xE4", "\xC3\xA4"},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(toUtf8(c.bytes), c.utf8);
    }
}

}  // namespace
}  // namespace lintor::names
