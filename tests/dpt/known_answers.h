#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Known answers of the codec: hand-worked bytes against the text for them.
namespace lintor::dpt {

// "0C 29" for a value, "0B six-bit" for one that travels in the APCI byte,
// "failure: <message>" when encode refuses.
std::string encodedHex(std::string_view type, std::string_view text);
// The decoded text, or "(nothing)" when decode refuses.
std::string decodedText(std::string_view type, std::string_view hexBytes);

struct KnownAnswer {
    std::string type;
    std::string bytes;  // "0C 29"; the six-bit flag is added for six-bit types
    std::string text;
    std::string why;  // the arithmetic, shown when the case fails
};

// Both ways: the bytes decode to the text, and the text encodes to the bytes.
void expectBothWays(std::initializer_list<KnownAnswer> cases, bool sixBit = false);

struct Refusal {
    std::string type;
    std::string text;
    std::string part;  // a part of the message
};

void expectRefused(std::initializer_list<Refusal> cases);

}  // namespace lintor::dpt
