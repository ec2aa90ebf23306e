#include "tools/lintor-tool/json_object.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "text/utf8.h"

namespace lintor::tool {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

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
        const auto sequence = text::readUtf8(text);
        if (!sequence) {
            out += kReplacement;
            text.remove_prefix(1);
            continue;
        }
        if (sequence->length == 1) {
            appendEscaped(out, text[0]);
        } else {
            out += text.substr(0, sequence->length);
        }
        text.remove_prefix(sequence->length);
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
