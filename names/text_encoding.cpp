#include "names/text_encoding.h"

#include <array>
#include <cstdint>

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

struct LeadByte {
    uint8_t mask;
    uint8_t value;
    size_t length;
    char32_t smallest;  // anything below has a shorter form
};

constexpr std::array<LeadByte, 3> kLeadBytes{{
    {0xE0, 0xC0, 2, 0x80},
    {0xF0, 0xE0, 3, 0x800},
    {0xF8, 0xF0, 4, 0x10000},
}};

constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kFirstSurrogate = 0xD800;
constexpr char32_t kLastSurrogate = 0xDFFF;

// The length of the UTF-8 sequence at bytes[at], or 0 when there is none.
size_t sequenceLength(std::string_view bytes, size_t at) {
    const auto lead = static_cast<uint8_t>(bytes[at]);
    if (lead < 0x80) return 1;
    for (const LeadByte& form : kLeadBytes) {
        if ((lead & form.mask) != form.value) continue;
        if (bytes.size() - at < form.length) return 0;
        char32_t codePoint = lead & static_cast<uint8_t>(~form.mask);
        for (size_t i = 1; i < form.length; ++i) {
            const auto next = static_cast<uint8_t>(bytes[at + i]);
            if ((next & 0xC0) != 0x80) return 0;
            codePoint = codePoint << 6 | (next & 0x3FU);
        }
        const bool surrogate = codePoint >= kFirstSurrogate && codePoint <= kLastSurrogate;
        if (codePoint < form.smallest || codePoint > kLastCodePoint || surrogate) return 0;
        return form.length;
    }
    return 0;
}

// Only code points below 0x10000 come from Windows-1252.
void appendUtf8(std::string& out, char16_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | codePoint >> 6);
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | codePoint >> 12);
        out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace

bool isUtf8(std::string_view bytes) {
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = sequenceLength(bytes, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::string windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (const char c : bytes) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte >= 0x80 && byte < 0xA0) {
            appendUtf8(out, kWindows1252High[byte - 0x80U]);
        } else {
            appendUtf8(out, byte);
        }
    }
    return out;
}

std::string toUtf8(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
    if (isUtf8(bytes)) return std::string(bytes);
    return windows1252ToUtf8(bytes);
}

}  // namespace lintor::names
