#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dpt/dpt_codec.h"
#include "dpt/resolved_type.h"
#include "text/ascii_text.h"

// What the codecs of the families share: locale-independent numbers, the
// shown form of a value, the messages of a failed encode, byte order.
namespace lintor::dpt {

using text::trim;
// ASCII letters only; the words of the codecs are all ASCII.
using text::equalsIgnoringAsciiCase;
// "21.5 °C" -> "21.5", so that what decode shows can be written back.
std::string_view withoutUnit(std::string_view text, std::string_view unit);
// Optional sign, digits, optional '.' and digits: "21.5", "-3", "+.25".
std::optional<double> parseDecimal(std::string_view text);
// Digits only, within lowest..highest.
std::optional<int> parseSmall(std::string_view text, int lowest, int highest);

std::string formatFixed(double value, int decimals);
// formatFixed without trailing zeros: "100", "-327.68".
std::string formatShort(double value, int decimals);
// The number as text and, read back from that text, as a number.
Decoded shownNumber(std::string numberText, std::string_view unit);
Decoded shownText(std::string text);

// "temperature (9.001)"
std::string typeLabel(const ResolvedType& type);
EncodeFailure notValid(const ResolvedType& type, std::string_view text, std::string_view hint);
EncodeFailure outOfRange(const ResolvedType& type, std::string_view text, std::string_view hint);

uint32_t readBigEndian(std::span<const uint8_t> data);
std::vector<uint8_t> bigEndian(uint32_t value, size_t size);
inline GroupValue sixBitValue(uint8_t value) { return GroupValue{{value}, true}; }

}  // namespace lintor::dpt
