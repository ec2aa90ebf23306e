#include "tools/lintor-tool/json_object.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace lintor::tool {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the UTF-8 sequence at the start of text, 0 when it is not one.
size_t utf8SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    size_t length = 0;
    unsigned lowest = 0;
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    unsigned code = lead & (0x7FU >> length);
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) return 0;
        code = code << 6 | (next & 0x3FU);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (code < lowest || code > 0x10FFFF || surrogate) return 0;
    return length;
}

void appendEscaped(std::string& out, char c) {
    switch (c) {
    case '"':
        out += "\\\"";
        return;
    case '\\':
        out += "\\\\";
        return;
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    default:
        break;
    }
    if (static_cast<unsigned char>(c) < 0x20) {
        std::array<char, 8> escape{};
        std::snprintf(escape.data(), escape.size(), "\\u%04x", static_cast<unsigned>(c));
        out += escape.data();
        return;
    }
    out += c;
}

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    while (!text.empty()) {
        const size_t length = utf8SequenceLength(text);
        if (length == 0) {
            out += kReplacement;
            text.remove_prefix(1);
            continue;
        }
        if (length == 1) {
            appendEscaped(out, text[0]);
        } else {
            out += text.substr(0, length);
        }
        text.remove_prefix(length);
    }
    return out + "\"";
}

void JsonObject::addName(std::string_view name) {
    if (body_.size() > 1) body_ += ",";
    body_ += jsonString(name);
    body_ += ":";
}

JsonObject& JsonObject::add(std::string_view name, std::string_view text) {
    addName(name);
    body_ += jsonString(text);
    return *this;
}

JsonObject& JsonObject::add(std::string_view name, double number) {
    addName(name);
    // JSON has no NaN or infinity.
    if (!std::isfinite(number)) {
        body_ += "null";
        return *this;
    }
    std::array<char, 32> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), number);
    body_.append(digits.data(), result.ptr);
    return *this;
}

JsonObject& JsonObject::add(std::string_view name, int64_t number) {
    addName(name);
    body_ += std::to_string(number);
    return *this;
}

JsonObject& JsonObject::add(std::string_view name, bool value) {
    addName(name);
    body_ += value ? "true" : "false";
    return *this;
}

}  // namespace lintor::tool
