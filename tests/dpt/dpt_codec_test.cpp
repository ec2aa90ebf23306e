#include "dpt/dpt_codec.h"

#include <gtest/gtest.h>

#include "tests/dpt/known_answers.h"
#include "tests/support/bytes.h"

namespace lintor::dpt {
namespace {

TEST(DptCodec, RefusesBytesOfTheWrongSize) {
    struct Case {
        std::string type;
        std::string bytes;
    };
    for (const Case& c : {Case{"9.001", "0C"}, Case{"9.001", "0C 29 00"}, Case{"1.001", ""}, Case{"1.001", "01 01"},
                          Case{"16.001", "41 00 00 00 00 00 00 00 00 00 00 00 00"}, Case{"232.600", "FF 80"},
                          Case{"13.010", "FF FF FF"}}) {
        SCOPED_TRACE(c.type + ": " + c.bytes);
        EXPECT_EQ(decodedText(c.type, c.bytes), "(nothing)");
    }
}

TEST(DptCodec, UnknownMainTypesAreRefused) {
    const DatapointType character{4, 1};
    EXPECT_FALSE(isKnown(character));
    EXPECT_EQ(valueSize(character), std::nullopt);
    EXPECT_EQ(describe(character), "");
    EXPECT_EQ(decode(character, test::bytes("41")), std::nullopt);
    EXPECT_EQ(encodedHex("4.001", "A"), "failure: datapoint type 4.001 is not known");
}

TEST(DptCodec, AnUnlistedSubtypeTakesTheGenericForm) {
    EXPECT_TRUE(isKnown({9, 999}));
    EXPECT_EQ(describe({9, 999}), "2-byte float");
    EXPECT_EQ(decodedText("9.999", "0C 29"), "21.30");
    EXPECT_EQ(decode({9, 999}, test::bytes("0C 29"))->unit, "");
}

TEST(DptCodec, SizesAndNames) {
    struct Case {
        DatapointType type;
        size_t size;
        std::string name;
    };
    for (const Case& c : {
             Case{{1, 1}, 0, "switch"},
             Case{{3, 7}, 0, "dimming control"},
             Case{{5, 1}, 1, "percent (0..100)"},
             Case{{9, 1}, 2, "temperature"},
             Case{{9, std::nullopt}, 2, "2-byte float"},
             Case{{10, 1}, 3, "time of day"},
             Case{{13, 13}, 4, "active energy"},
             Case{{16, 1}, 14, "ISO 8859-1 string"},
             Case{{20, 102}, 1, "HVAC mode"},
             Case{{232, 600}, 3, "RGB colour"},
         }) {
        SCOPED_TRACE(formatDatapointType(c.type));
        EXPECT_EQ(valueSize(c.type), c.size);
        EXPECT_EQ(describe(c.type), c.name);
    }
}

}  // namespace
}  // namespace lintor::dpt
