#pragma once

#include <string_view>

namespace lintor::text {

// Without the spaces, tabs and other control characters around it.
std::string_view trim(std::string_view text);

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);

}  // namespace lintor::text
