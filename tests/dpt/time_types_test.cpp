#include <gtest/gtest.h>

#include "dpt/resolved_type.h"
#include "dpt/time_codec.h"
#include "tests/dpt/known_answers.h"
#include "tests/support/bytes.h"

namespace lintor::dpt {
namespace {

// Friday 2026-12-11, 08:15:09
CalendarTime fixedClock() { return CalendarTime{2026, 12, 11, 5, 8, 15, 9}; }

std::string hexOf(const EncodeResult& result) {
    const auto* value = std::get_if<GroupValue>(&result);
    return value ? test::hex(value->bytes) : std::get<EncodeFailure>(result).message;
}

TEST(TimeOfDayType, KnownAnswers) {
    expectBothWays({
        {"10.001", "4E 1E 05", "Tue 14:30:05", "Tuesday = 2 in bits 7-5: 0x40 | 14 = 0x4E; 30 = 0x1E"},
        {"10.001", "0E 1E 05", "14:30:05", "day 0: no day"},
        {"10.001", "F7 3B 3B", "Sun 23:59:59", "7 << 5 = 0xE0 | 23 = 0xF7; 59 = 0x3B"},
        {"10.001", "00 00 00", "00:00:00", "midnight, no day"},
    });
    EXPECT_EQ(encodedHex("10.001", "14:30"), "0E 1E 00");
    EXPECT_EQ(encodedHex("10.001", "tue 9:05"), "49 05 00");   // 0x40 | 9
    EXPECT_EQ(decodedText("10.001", "0E DE C5"), "14:30:05");  // bits 7-6 of minutes and seconds are not theirs
    EXPECT_EQ(decodedText("10.001", "18 00 00"), "invalid (hour 24, minute 0, second 0)");
    EXPECT_EQ(decode({10, 1}, test::bytes("4E 1E 05"))->number, std::nullopt);

    const auto type = resolve({10, 1});
    ASSERT_TRUE(type);
    EXPECT_EQ(hexOf(encodeTimeOfDay(*type, "now", fixedClock)), "A8 0F 09");  // Friday = 5: 0xA0 | 8

    expectRefused({
        {"10.001", "24:00", "give a time such as 14:30"},
        {"10.001", "14:60", "is not a valid"},
        {"10.001", "Xyz 14:30", "is not a valid"},
        {"10.001", "1430", "is not a valid"},
        {"10.001", "14:30:05:01", "is not a valid"},
    });
}

TEST(DateType, KnownAnswers) {
    expectBothWays({
        {"11.001", "0A 0C 1A", "2026-12-10", "day 10, month 12, year 26 = 0x1A"},
        {"11.001", "01 03 5F", "1995-03-01", "95 = 0x5F: from 90 on the years are 19xx"},
        {"11.001", "01 01 5A", "1990-01-01", "90 = 0x5A, the first year"},
        {"11.001", "1F 0C 59", "2089-12-31", "89 = 0x59, the last year"},
        {"11.001", "1D 02 1C", "2028-02-29", "a leap year: 28 = 0x1C"},
    });
    EXPECT_EQ(decodedText("11.001", "00 0C 1A"), "invalid (day 0, month 12, year 26)");
    EXPECT_EQ(decodedText("11.001", "1E 02 1A"), "invalid (day 30, month 2, year 26)");
    EXPECT_EQ(decodedText("11.001", "0A 0C 64"), "invalid (day 10, month 12, year 100)");

    const auto type = resolve({11, 1});
    ASSERT_TRUE(type);
    EXPECT_EQ(hexOf(encodeDate(*type, "today", fixedClock)), "0B 0C 1A");

    expectRefused({
        {"11.001", "2026-02-29", "give a date such as 2026-12-10"},  // not a leap year
        {"11.001", "10.12.2026", "is not a valid"},
        {"11.001", "1989-12-31", "out of range for date (11.001): give a date from 1990-01-01 to 2089-12-31"},
        {"11.001", "2090-01-01", "out of range"},
    });
}

}  // namespace
}  // namespace lintor::dpt
