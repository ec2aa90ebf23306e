#include "proxy/group_value_table.h"

#include <gtest/gtest.h>

#include "tests/support/bytes.h"

namespace lintor {
namespace {

using test::bytes;

// A telegram record for group address 1/2/3 with this NPCI and what follows it.
std::vector<uint8_t> record(const std::string& type, const std::string& npciOn) {
    auto payload = bytes("BC 11 01 0A 03 " + npciOn + " 00 16");
    auto out = bytes(type);
    out.push_back(static_cast<uint8_t>(payload.size()));
    out.push_back(0);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

TEST(DecodeGroupValue, LengthNibbleDecidesTheValue) {
    struct Case {
        const char* name;
        std::string type, npciOn;
        int32_t value;
    };
    for (const Case& c : {
             Case{"six bits", "02 10", "E1 00 BF", 0x3F},
             Case{"read carries 0", "00 10", "E1 00 00", 0},
             Case{"response", "01 10", "E1 00 41", 1},
             Case{"one byte", "02 10", "E2 00 80 FF", 255},
             Case{"two bytes", "02 10", "E3 00 80 12 34", 0x1234},
             Case{"three bytes", "02 10", "E4 00 80 01 02 03", 0x010203},
             Case{"four bytes, signed", "02 10", "E5 00 80 FF FF FF FF", -1},
             Case{"four bytes", "02 10", "E5 00 80 00 01 E2 40", 123456},
             Case{"length 0", "02 10", "E0 00 80", -1},
             Case{"length 15", "02 10", "EF 00 80 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E", -1},
         }) {
        SCOPED_TRACE(c.name);
        const auto decoded = decodeGroupValue(record(c.type, c.npciOn));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(*decoded, (GroupValue{0x0A03, c.value}));
    }
}

TEST(DecodeGroupValue, OnlyGroupValueRecordsAndOnlyBytesInside) {
    EXPECT_FALSE(decodeGroupValue(record("03 10", "E1 00 C0")));
    EXPECT_FALSE(decodeGroupValue(record("00 88", "E1 00 81")));
    EXPECT_FALSE(decodeGroupValue(bytes("02 10 04 00 BC 11 01 0A")));
    EXPECT_FALSE(decodeGroupValue({}));
    // Promises four data bytes, holds two: -1, and nothing read beyond the end.
    const auto cut = bytes("02 10 0A 00 BC 11 01 0A 03 E5 00 80 12 34");
    EXPECT_EQ(decodeGroupValue(cut), (GroupValue{0x0A03, -1}));
    EXPECT_EQ(decodeGroupValue(bytes("02 10 06 00 BC 11 01 0A 03 E1")), (GroupValue{0x0A03, -1}));
}

TEST(GroupValueTable, EntriesKeepTheOrderOfFirstAppearance) {
    GroupValueTable table;
    table.updateGroupValue(0x0A03, 1);
    EXPECT_EQ(table.count(), 1);
    EXPECT_EQ(table.entry(0).updateFlag, 1);
    EXPECT_EQ(table.entry(0).typeCode, 0);

    table.updateGroupValue(0x0001, 5);
    table.clearUpdateFlag(0);
    table.updateGroupValue(0x0A03, 1);  // same value: flagged again
    table.updateGroupValue(0x0001, 0);
    EXPECT_EQ(table.count(), 2);
    EXPECT_EQ(table.entry(0).groupAddress, 0x0A03);
    EXPECT_EQ(table.entry(0).updateFlag, 1);
    EXPECT_EQ(table.entry(1).groupAddress, 0x0001);
    EXPECT_EQ(table.entry(1).value, 0);
}

TEST(GroupValueTable, FullTableKeepsWhatItHas) {
    GroupValueTable table;
    for (uint16_t a = 1; a <= GroupValueTable::CAPACITY; ++a) ASSERT_TRUE(table.updateGroupValue(a, a));
    EXPECT_FALSE(table.updateGroupValue(0xF000, 7));
    EXPECT_EQ(table.count(), GroupValueTable::CAPACITY);
    EXPECT_TRUE(table.updateGroupValue(1, 99));  // known addresses still update
    EXPECT_EQ(table.entry(0).value, 99);
}

}  // namespace
}  // namespace lintor
