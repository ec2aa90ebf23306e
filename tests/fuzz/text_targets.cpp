// Parsers of text that people write: settings files and group addresses.
#include <algorithm>
#include <string>
#include <string_view>

#include "link/group_address.h"
#include "platform/ini_document.h"
#include "tests/fuzz/fuzz_targets.h"

namespace lintor::fuzz {
namespace {

std::string_view textOf(std::span<const uint8_t> data) {
    return {reinterpret_cast<const char*>(data.data()), data.size()};
}

size_t lineCount(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

void iniDocument(std::span<const uint8_t> data) {
    const IniDocument document(textOf(data));
    const std::string text = document.text();
    require(IniDocument(text).text() == text, "reading what was written changes nothing");

    const int value = data.empty() ? 0 : static_cast<int8_t>(data.back()) * 1000;
    for (const auto& [section, key] : {std::pair{"settings", "ComPort"}, std::pair{"Log", "level"}}) {
        IniDocument changed = document;
        const bool wrote = changed.setInt(section, key, value);
        const auto readBack = IniDocument(changed.text()).value(section, key);
        require(readBack && parseIniInt(*readBack) == value, "a written number reads back");
        require(wrote || changed.text() == text, "an unchanged value leaves the text alone");
        require(lineCount(changed.text()) <= lineCount(text) + 3, "a write adds at most a section and a key");
    }
}

void groupAddressText(std::span<const uint8_t> data) {
    const std::string_view text = textOf(data);
    const uint16_t lenient = parseGroupAddress(text);
    require(parseGroupAddressStrict(formatGroupAddress(lenient)) == lenient, "a formatted address reads back");
    if (const auto strict = parseGroupAddressStrict(text)) {
        require(lenient == *strict, "what the strict reading takes, the lenient one reads alike");
    }
}

}  // namespace lintor::fuzz
