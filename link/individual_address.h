#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lintor {

// An individual address: area in bits 15-12, line in bits 11-8, device in
// bits 7-0; written "area.line.device".
std::string formatIndividualAddress(uint16_t address);

// "1.1.10" with every number in its range; nothing else.
std::optional<uint16_t> parseIndividualAddress(std::string_view text);

}  // namespace lintor
