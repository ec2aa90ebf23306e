#include "tests/dpt/known_answers.h"

#include <gtest/gtest.h>

#include "dpt/dpt_codec.h"
#include "tests/support/bytes.h"

namespace lintor::dpt {
namespace {

DatapointType typeOf(std::string_view text) {
    const auto type = parseDatapointType(text);
    EXPECT_TRUE(type) << text;
    return type.value_or(DatapointType{});
}

}  // namespace

std::string encodedHex(std::string_view type, std::string_view text) {
    const auto result = encode(typeOf(type), text);
    if (const auto* failure = std::get_if<EncodeFailure>(&result)) return "failure: " + failure->message;
    const auto& value = std::get<GroupValue>(result);
    return lintor::test::hex(value.bytes) + (value.sixBit ? " six-bit" : "");
}

std::string decodedText(std::string_view type, std::string_view hexBytes) {
    const auto result = decode(typeOf(type), lintor::test::bytes(hexBytes));
    return result ? result->text : "(nothing)";
}

void expectBothWays(std::initializer_list<KnownAnswer> cases, bool sixBit) {
    for (const KnownAnswer& c : cases) {
        SCOPED_TRACE(c.type + " " + c.text + ": " + c.why);
        EXPECT_EQ(decodedText(c.type, c.bytes), c.text);
        EXPECT_EQ(encodedHex(c.type, c.text), c.bytes + (sixBit ? " six-bit" : ""));
    }
}

void expectRefused(std::initializer_list<Refusal> cases) {
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.type + " " + c.text);
        const std::string result = encodedHex(c.type, c.text);
        EXPECT_TRUE(result.starts_with("failure: ")) << result;
        EXPECT_NE(result.find(c.part), std::string::npos) << result;
    }
}

}  // namespace lintor::dpt
