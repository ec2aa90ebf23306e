#include "names/field_text.h"

#include <algorithm>

namespace lintor::names {
namespace {

constexpr size_t kLongestQuoted = 60;

bool isControlOrSpace(char c) { return static_cast<unsigned char>(c) <= ' ' || c == '\x7F'; }

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0U) == 0x80; }

}  // namespace

std::string cleanName(std::string_view text) {
    std::string name;
    name.reserve(text.size());
    bool inGap = false;
    for (const char c : trim(text)) {
        if (isControlOrSpace(c) && c != ' ') {
            if (!inGap) name += ' ';
            inGap = true;
            continue;
        }
        inGap = false;
        name += c;
    }
    return name;
}

std::string quoted(std::string_view text) {
    if (text.size() <= kLongestQuoted) return "\"" + std::string(text) + "\"";
    size_t cut = kLongestQuoted;
    while (cut > 0 && isContinuationByte(text[cut])) --cut;  // never inside a UTF-8 sequence
    return "\"" + std::string(text.substr(0, cut)) + "...\"";
}

std::string messageAt(std::string_view fileName, size_t line, std::string_view text) {
    return std::string(fileName) + ":" + std::to_string(line) + ": " + std::string(text);
}

}  // namespace lintor::names
