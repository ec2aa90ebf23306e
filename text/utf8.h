#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lintor::text {

struct Utf8Sequence {
    char32_t codePoint = 0;
    size_t length = 0;  // bytes
};

// The sequence at the start of bytes; nothing for one that is cut short,
// overlong, a surrogate or beyond U+10FFFF, as UTF-8 forbids them all.
std::optional<Utf8Sequence> readUtf8(std::string_view bytes);

bool isUtf8(std::string_view bytes);

void appendUtf8(std::string& out, char32_t codePoint);

}  // namespace lintor::text
