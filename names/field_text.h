#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/ascii_text.h"

namespace lintor::names {

using text::trim;

// Trimmed, each run of control characters inside (line breaks of a quoted
// field) turned into one space.
std::string cleanName(std::string_view text);

// In quotes for a message, cut short when long.
std::string quoted(std::string_view text);

// "names.csv:7: text"
std::string messageAt(std::string_view fileName, size_t line, std::string_view text);

using text::equalsIgnoringAsciiCase;

}  // namespace lintor::names
