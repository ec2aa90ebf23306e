// What a names file is refused for, and inputs as large as are allowed.
#include <gtest/gtest.h>

#include <string>

#include "names/group_names.h"
#include "tests/names/names_test_support.h"

namespace lintor::testing {
namespace {

constexpr size_t kLargestFile = size_t{16} * 1024 * 1024;

std::string rowOfFields(size_t count) {
    std::string row = "1/1/2;Flur";
    for (size_t i = 2; i < count; ++i) row += ";";
    return row + "\n";
}

TEST(GroupNamesRefusal, SaysWhyAndWhere) {
    struct Case {
        const char* name;
        std::string text;
        std::string message;
    };
    for (const Case& c : {
             Case{"empty", "", "names.csv: no group addresses in it"},
             Case{"only a byte-order mark and line ends", "\xEF\xBB\xBF\r\n\n", "names.csv: no group addresses in it"},
             Case{"only comments", "# 1/2/3;Licht\n", "names.csv: no group addresses in it"},
             Case{"only groups", "\"Group name\";\"Address\"\n\"Licht\";\"1/-/-\"\n\"Flur\";\"1/3/-\"\n",
                  "names.csv: no group addresses in it"},
             Case{"only rows that are skipped", "1/9/1;Flur\n", "names.csv: no group addresses in it"},
             Case{"no name column", "\"Address\";\"Central\"\n\"1/1/1\";\"\"\n",
                  "names.csv:1: the header has an \"Address\" column but none for names"},
             Case{"quote left open", "Group name;Address\nDecke;1/1/1\n\"Flur;1/1/2\n\nBad;1/1/3\n",
                  "names.csv:3: a quoted field is still open at the end of the file"},
             Case{"65 fields", "1/1/1;Decke\n" + rowOfFields(65), "names.csv:2: more than 64 fields in a row"},
             Case{"UTF-16", std::string("\xFF\xFE\"\0G\0", 6),
                  "names.csv: the file is UTF-16: export it as UTF-8 (or ANSI) instead"},
             Case{"one byte too many", std::string(kLargestFile + 1, '\n'),
                  "names.csv: 16777217 bytes, more than the 16777216 a names file may have"},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(refusal(c.text), c.message);
    }
}

TEST(GroupNamesLimits, AreReachedButNotPassed) {
    EXPECT_EQ(summary(load(rowOfFields(64)).names), std::vector<std::string>{"1/1/2 Flur"});

    std::string largest = "1/1/1;Decke\n";
    largest.resize(kLargestFile, '\n');
    EXPECT_EQ(summary(load(largest).names), std::vector<std::string>{"1/1/1 Decke"});
}

TEST(GroupNamesLimits, LongInputIsReadInOnePass) {
    std::string repeated;
    for (int i = 0; i < 1'000'000; ++i) repeated += "1/1/1;Decke\n";
    const auto loaded = load(repeated);
    EXPECT_EQ(loaded.names.entries().size(), 1U);
    ASSERT_EQ(loaded.warnings.size(), 101U);
    EXPECT_EQ(loaded.warnings.back(), "names.csv: 999899 more warnings left out");

    const std::string longName = "1/1/1;\"" + std::string(kLargestFile - 100, 'x') + "\"\n";
    ASSERT_EQ(load(longName).names.entries().size(), 1U);

    const std::string manyLines = "1/1/1;\"" + std::string(1'000'000, '\n') + "\"\nFlur;1/3/1\n";
    EXPECT_EQ(load(manyLines).warnings, std::vector<std::string>{"names.csv:1000002: \"Flur\" is not a group address"});

    EXPECT_EQ(refusal("1/1/1;\"" + std::string(kLargestFile - 100, 'x')),
              "names.csv:1: a quoted field is still open at the end of the file");
}

}  // namespace
}  // namespace lintor::testing
