#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lintor {

// A group address: main group in bits 15-11, middle group in bits 10-8,
// sub group in bits 7-0; written "main/middle/sub" or "#hhhh".

// Each number cut to its field width.
constexpr uint16_t composeGroupAddress(uint32_t main, uint32_t middle, uint32_t sub) {
    return static_cast<uint16_t>((main & 0x1F) << 11 | (middle & 0x07) << 8 | (sub & 0xFF));
}

// "1/2/3"
std::string formatGroupAddress(uint16_t groupAddress);

// As the proxy reads requests: three decimal numbers separated by "/", each
// optionally signed and cut to its field, text after the third ignored; or
// "#" and up to four hexadecimal digits. 0 for anything else.
uint16_t parseGroupAddress(std::string_view text);

// As tools read what a person typed: "main/middle/sub" with every number in
// its range, or "#" and exactly four hexadecimal digits; nothing else.
std::optional<uint16_t> parseGroupAddressStrict(std::string_view text);

}  // namespace lintor
