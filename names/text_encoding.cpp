#include "names/text_encoding.h"

#include <array>
#include <cstdint>

#include "text/utf8.h"

namespace lintor::names {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Windows-1252 differs from Latin-1 only in 0x80-0x9F. The five bytes it
// leaves undefined keep their Latin-1 meaning, as Windows itself reads them.
constexpr std::array<char16_t, 32> kWindows1252High{{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  //
}};

}  // namespace

std::string windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (const char c : bytes) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte >= 0x80 && byte < 0xA0) {
            text::appendUtf8(out, kWindows1252High[byte - 0x80U]);
        } else {
            text::appendUtf8(out, byte);
        }
    }
    return out;
}

std::string toUtf8(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
    if (text::isUtf8(bytes)) return std::string(bytes);
    return windows1252ToUtf8(bytes);
}

}  // namespace lintor::names
