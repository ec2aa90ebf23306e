#include "text/utf8.h"

#include <array>

namespace lintor::text {
namespace {

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

}  // namespace

std::optional<Utf8Sequence> readUtf8(std::string_view bytes) {
    if (bytes.empty()) return std::nullopt;
    const auto lead = static_cast<uint8_t>(bytes[0]);
    if (lead < 0x80) return Utf8Sequence{lead, 1};
    for (const LeadByte& form : kLeadBytes) {
        if ((lead & form.mask) != form.value) continue;
        if (bytes.size() < form.length) return std::nullopt;
        char32_t codePoint = lead & static_cast<uint8_t>(~form.mask);
        for (size_t i = 1; i < form.length; ++i) {
            const auto next = static_cast<uint8_t>(bytes[i]);
            if ((next & 0xC0U) != 0x80U) return std::nullopt;
            codePoint = codePoint << 6U | (next & 0x3FU);
        }
        const bool surrogate = codePoint >= kFirstSurrogate && codePoint <= kLastSurrogate;
        if (codePoint < form.smallest || codePoint > kLastCodePoint || surrogate) return std::nullopt;
        return Utf8Sequence{codePoint, form.length};
    }
    return std::nullopt;
}

bool isUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto sequence = readUtf8(bytes);
        if (!sequence) return false;
        bytes.remove_prefix(sequence->length);
    }
    return true;
}

void appendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0U | codePoint >> 6U);
        out += static_cast<char>(0x80U | (codePoint & 0x3FU));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0U | codePoint >> 12U);
        out += static_cast<char>(0x80U | (codePoint >> 6U & 0x3FU));
        out += static_cast<char>(0x80U | (codePoint & 0x3FU));
    } else {
        out += static_cast<char>(0xF0U | codePoint >> 18U);
        out += static_cast<char>(0x80U | (codePoint >> 12U & 0x3FU));
        out += static_cast<char>(0x80U | (codePoint >> 6U & 0x3FU));
        out += static_cast<char>(0x80U | (codePoint & 0x3FU));
    }
}

}  // namespace lintor::text
