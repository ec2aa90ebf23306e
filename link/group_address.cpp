#include "link/group_address.h"

#include <array>
#include <cctype>
#include <charconv>

namespace lintor {
namespace {

constexpr uint32_t kMaxMain = 31;
constexpr uint32_t kMaxMiddle = 7;
constexpr uint32_t kMaxSub = 255;
constexpr size_t kHexDigits = 4;

// An optionally signed decimal number after optional white space, as
// scanf's %d reads it; the value wraps instead of overflowing.
bool scanDecimal(std::string_view text, size_t& at, int32_t& value) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    const size_t digitsStart = at;
    uint32_t magnitude = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        magnitude = magnitude * 10 + static_cast<uint32_t>(text[at] - '0');
    }
    value = static_cast<int32_t>(negative ? 0U - magnitude : magnitude);
    return at > digitsStart;
}

std::optional<uint16_t> threePartAddress(std::string_view text) {
    std::array<int32_t, 3> parts{};
    size_t at = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            if (at >= text.size() || text[at] != '/') return std::nullopt;
            ++at;
        }
        if (!scanDecimal(text, at, parts[i])) return std::nullopt;
    }
    return composeGroupAddress(static_cast<uint32_t>(parts[0]), static_cast<uint32_t>(parts[1]),
                               static_cast<uint32_t>(parts[2]));
}

uint16_t leadingHex(std::string_view digits) {
    uint16_t value = 0;
    for (size_t i = 0; i < digits.size() && i < kHexDigits && std::isxdigit(static_cast<unsigned char>(digits[i]));
         ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(digits[i])));
        value = static_cast<uint16_t>(value << 4 | (c <= '9' ? c - '0' : c - 'a' + 10));
    }
    return value;
}

// Digits only, the whole text, at most max.
std::optional<uint32_t> strictNumber(std::string_view text, uint32_t max, int base = 10) {
    uint32_t value = 0;
    if (text.empty() || !std::isalnum(static_cast<unsigned char>(text.front()))) return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc{} || end != text.data() + text.size() || value > max) return std::nullopt;
    return value;
}

}  // namespace

std::string formatGroupAddress(uint16_t groupAddress) {
    return std::to_string(groupAddress >> 11) + "/" + std::to_string((groupAddress >> 8) & 0x07) + "/" +
           std::to_string(groupAddress & 0xFF);
}

uint16_t parseGroupAddress(std::string_view text) {
    if (const auto address = threePartAddress(text)) return *address;
    if (text.starts_with('#')) return leadingHex(text.substr(1));
    return 0;
}

std::optional<uint16_t> parseGroupAddressStrict(std::string_view text) {
    if (text.starts_with('#')) {
        if (text.size() != 1 + kHexDigits) return std::nullopt;
        const auto value = strictNumber(text.substr(1), 0xFFFF, 16);
        if (!value) return std::nullopt;
        return static_cast<uint16_t>(*value);
    }
    const size_t first = text.find('/');
    const size_t second = first == std::string_view::npos ? first : text.find('/', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const auto main = strictNumber(text.substr(0, first), kMaxMain);
    const auto middle = strictNumber(text.substr(first + 1, second - first - 1), kMaxMiddle);
    const auto sub = strictNumber(text.substr(second + 1), kMaxSub);
    if (!main || !middle || !sub) return std::nullopt;
    return composeGroupAddress(*main, *middle, *sub);
}

}  // namespace lintor
