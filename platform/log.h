#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace lintor::log {

// One line on stderr, written with a single write() so that lines from the
// link worker and the user-interface thread never mix.
void info(std::string_view text);
void warning(std::string_view text);
void error(std::string_view text);

// "10 80 09 00" for log lines about wire data; long blocks are shortened.
std::string hex(std::span<const uint8_t> bytes, size_t limit = 48);
// "0x8010"
std::string hexWord(uint16_t value);

}  // namespace lintor::log
