#include "dpt/string_codec.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "dpt/codec_support.h"
#include "text/utf8.h"

namespace lintor::dpt {
namespace {

constexpr size_t kLength = 14;
constexpr uint16_t kLatin1Sub = 1;
constexpr char32_t kAsciiLast = 0x7F;
constexpr char32_t kLatin1Last = 0xFF;

bool isControl(uint8_t byte) { return byte < 0x20 || (byte >= 0x7F && byte < 0xA0); }

void appendShown(std::string& out, uint8_t byte) {
    if (byte == '"' || byte == '\\') {
        out += '\\';
        out += static_cast<char>(byte);
    } else if (isControl(byte)) {
        std::array<char, 8> escape{};
        std::snprintf(escape.data(), escape.size(), "\\x%02X", unsigned{byte});
        out += escape.data();
    } else if (byte < 0x80) {
        out += static_cast<char>(byte);
    } else {
        // Latin-1 is the first 256 code points of Unicode.
        text::appendUtf8(out, byte);
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One escape after the backslash: \" \\ \xNN. Advances text past it.
std::optional<char32_t> readEscape(std::string_view& text) {
    if (text.empty()) return std::nullopt;
    const char c = text.front();
    if (c == '"' || c == '\\') {
        text.remove_prefix(1);
        return static_cast<char32_t>(c);
    }
    if (c != 'x' || text.size() < 3) return std::nullopt;
    const int high = hexDigit(text[1]);
    const int low = hexDigit(text[2]);
    if (high < 0 || low < 0) return std::nullopt;
    text.remove_prefix(3);
    return static_cast<char32_t>(high * 16 + low);
}

// One UTF-8 sequence. Advances text past it.
std::optional<char32_t> readUtf8(std::string_view& text) {
    const auto sequence = text::readUtf8(text);
    if (!sequence) return std::nullopt;
    text.remove_prefix(sequence->length);
    return sequence->codePoint;
}

std::optional<std::u32string> codePoints(std::string_view text, bool escapes) {
    std::u32string out;
    while (!text.empty()) {
        std::optional<char32_t> next;
        if (escapes && text.front() == '\\') {
            text.remove_prefix(1);
            next = readEscape(text);
        } else {
            next = readUtf8(text);
        }
        if (!next) return std::nullopt;
        out += *next;
    }
    return out;
}

std::string codePointName(char32_t codePoint) {
    std::array<char, 16> name{};
    std::snprintf(name.data(), name.size(), "U+%04X", static_cast<unsigned>(codePoint));
    return name.data();
}

}  // namespace

Decoded decodeString(const ResolvedType&, std::span<const uint8_t> data) {
    std::string text = "\"";
    for (const uint8_t byte : data) {
        if (byte == 0) break;
        appendShown(text, byte);
    }
    return shownText(text + "\"");
}

EncodeResult encodeString(const ResolvedType& type, std::string_view text) {
    std::string_view inner = trim(text);
    const bool quoted = inner.size() >= 2 && inner.front() == '"' && inner.back() == '"';
    if (quoted) inner = inner.substr(1, inner.size() - 2);
    const auto characters = codePoints(inner, quoted);
    if (!characters) return notValid(type, text, R"(give UTF-8 text; in double quotes \", \\ and \xNN are escapes)");
    const bool latin1 = type.listedSub == kLatin1Sub;
    const char32_t last = latin1 ? kLatin1Last : kAsciiLast;
    for (const char32_t c : *characters) {
        if (c == 0 || c > last) {
            return notValid(
                type, text,
                codePointName(c) + " is not a character of " + (latin1 ? "ISO 8859-1" : "ASCII") + " that can be sent");
        }
    }
    if (characters->size() > kLength) {
        return EncodeFailure{"\"" + std::string(text) + "\" is too long for " + typeLabel(type) + ": it has " +
                             std::to_string(characters->size()) + " characters, at most 14 fit"};
    }
    std::vector<uint8_t> bytes(kLength, 0);
    std::ranges::transform(*characters, bytes.begin(), [](char32_t c) { return static_cast<uint8_t>(c); });
    return GroupValue{std::move(bytes)};
}

}  // namespace lintor::dpt
