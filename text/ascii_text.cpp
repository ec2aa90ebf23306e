#include "text/ascii_text.h"

#include <algorithm>

namespace lintor::text {
namespace {

bool isControlOrSpace(char c) { return static_cast<unsigned char>(c) <= ' ' || c == '\x7F'; }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string_view trim(std::string_view text) {
    while (!text.empty() && isControlOrSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isControlOrSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace lintor::text
