#include "dpt/datapoint_type.h"

#include <charconv>
#include <cstdio>

#include "text/ascii_text.h"

namespace lintor::dpt {
namespace {

constexpr size_t kLongestNumber = 5;

// Decimal digits only: no sign, no space, at most five of them.
std::optional<uint16_t> number(std::string_view text) {
    if (text.empty() || text.size() > kLongestNumber) return std::nullopt;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value > UINT16_MAX) return std::nullopt;
    return static_cast<uint16_t>(value);
}

std::optional<DatapointType> mainAndSub(std::string_view text, char separator) {
    const size_t at = text.find(separator);
    const auto main = number(text.substr(0, at));
    if (!main) return std::nullopt;
    if (at == std::string_view::npos) return DatapointType{*main, std::nullopt};
    const auto sub = number(text.substr(at + 1));
    if (!sub) return std::nullopt;
    return DatapointType{*main, *sub};
}

}  // namespace

std::optional<DatapointType> parseDatapointType(std::string_view text) {
    if (text::startsWithIgnoringAsciiCase(text, "dpst-")) {
        const auto type = mainAndSub(text.substr(5), '-');
        if (!type || !type->sub) return std::nullopt;
        return type;
    }
    if (text::startsWithIgnoringAsciiCase(text, "dpt-")) return mainAndSub(text.substr(4), '-');
    if (text::startsWithIgnoringAsciiCase(text, "dpt")) return mainAndSub(text.substr(3), '.');
    return mainAndSub(text, '.');
}

std::string formatDatapointType(DatapointType type) {
    if (!type.sub) return std::to_string(type.main);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%03u", unsigned{type.main}, unsigned{*type.sub});
    return text;
}

}  // namespace lintor::dpt
