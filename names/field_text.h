#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lintor::names {

// Without the spaces, tabs and other control characters around it.
std::string_view trim(std::string_view text);

// Trimmed, each run of control characters inside (line breaks of a quoted
// field) turned into one space.
std::string cleanName(std::string_view text);

// In quotes for a message, cut short when long.
std::string quoted(std::string_view text);

// "names.csv:7: text"
std::string messageAt(std::string_view fileName, size_t line, std::string_view text);

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace lintor::names
