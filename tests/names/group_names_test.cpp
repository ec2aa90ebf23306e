// Reading ETS exports and plain lists: what comes out, and what is warned of.
#include "names/group_names.h"

#include <gtest/gtest.h>

#include "tests/names/ets_exports.h"
#include "tests/names/names_test_support.h"

namespace lintor::testing {
namespace {

using Lines = std::vector<std::string>;

TEST(GroupNamesEtsExport, EachLayoutAndEncodingGivesTheSameNames) {
    struct Case {
        const char* name;
        std::string text;
    };
    for (const Case& c : {Case{"3/1, UTF-8 with mark, CRLF", threeColumnExport()},
                          Case{"1/1, commas, LF", oneColumnExport()}, Case{"3/1, Latin-1", latin1Export()}}) {
        SCOPED_TRACE(c.name);
        const auto loaded = load(c.text);
        EXPECT_EQ(loaded.names.entries(), buildingNames());
        EXPECT_EQ(loaded.warnings, Lines{});
    }
}

TEST(GroupNamesEtsExport, ColumnsAreFoundByTheirHeaderNames) {
    struct Case {
        const char* name;
        std::string_view text;
        Lines entries;
    };
    for (const Case& c : {
             Case{"other order, an extra column, bare types",
                  "\"Address\";\"Comment\";\"DatapointType\";\"Group name\"\n"
                  "\"3/-/-\";\"\";\"\";\"Heizung\"\n"
                  "\"3/1/-\";\"\";\"\";\"Bad\"\n"
                  "\"3/1/1\";\"x\";DPST-9-1;\"Bad Soll\"\n",
                  {"3/1/1 Heizung/Bad/Bad Soll 9.001"}},
             Case{"no type column, headers in other case", "GROUP NAME;address\nFlur;1/3/1\n", {"1/3/1 Flur"}},
             Case{"a name may begin with #", "Group name;Address\n#Reserve;1/0/9\n", {"1/0/9 #Reserve"}},
             Case{"a name over two lines", "Group name;Address\n\"Decke\r\nSüd \";1/1/1\n", {"1/1/1 Decke Süd"}},
             Case{"type column empty or without subtype",
                  "Group name;Address;DatapointType\nA;1/0/1;\nB;1/0/2;DPT-9\n",
                  {"1/0/1 A", "1/0/2 B 9"}},
             Case{"groups named on the address row",
                  "Main;Middle;Group name;Address\nLicht;Flur;Spot;1/3/2\n",
                  {"1/3/2 Licht/Flur/Spot"}},
             Case{"two levels and free addresses",
                  "Group name;Address\nLicht;1/-\nDecke;1/259\nFrei;2563\nOben;31/2047\nLetzte;65534\n",
                  {"1/1/3 Licht/Decke", "1/2/3 Frei", "31/7/254 Letzte", "31/7/255 Oben"}},
             Case{"middle group with no main group row",
                  "Group name;Address\nKeller;4/2/-\nLampe;4/2/9\n",
                  {"4/2/9 Keller/Lampe"}},
             Case{"a group address without a name keeps its type",
                  "Main;Middle;Sub;Address;DatapointType\nLicht;;;1/-/-;\n;;;1/0/7;DPST-1-1\n",
                  {"1/0/7  1.001"}},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(summary(load(c.text).names), c.entries);
    }
}

TEST(GroupNamesPlainList, ReadsAddressNameAndOptionalType) {
    struct Case {
        const char* name;
        std::string_view text;
        Lines entries;
    };
    for (const Case& c : {
             Case{"semicolons, comments, blank lines",
                  "# Lintor names\n\n1/2/3;Kitchen light;1.001\n  # indented comment\r\n1/2/4;Kitchen dimmer\n",
                  {"1/2/3 Kitchen light 1.001", "1/2/4 Kitchen dimmer"}},
             Case{"tabs, spaces around fields", "1/2/3\t Kitchen, left \t DPST-1-1\n", {"1/2/3 Kitchen, left 1.001"}},
             Case{"commas and quotes", "1/2/3,\"Spot \"\"A\"\", left\",5.001\n", {"1/2/3 Spot \"A\", left 5.001"}},
             Case{"unsorted, with a free address",
                  "2/0/1;Wind\n1/0/0;Start\n2563;Frei\n",
                  {"1/0/0 Start", "1/2/3 Frei", "2/0/1 Wind"}},
             Case{"a name with slashes stays one level", "1/2/3;Auf/Ab\n", {"1/2/3 Auf/Ab"}},
             Case{"a first row that looks like a header", "1/2/3;Address\n", {"1/2/3 Address"}},
             Case{"extra fields are ignored", "1/2/3;Licht;1.001;note\n", {"1/2/3 Licht 1.001"}},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(summary(load(c.text).names), c.entries);
    }
}

TEST(GroupNamesWarnings, NameTheRowByTheLineItBeginsOn) {
    struct Case {
        const char* name;
        std::string_view text;
        Lines warnings;
        Lines entries;
    };
    for (const Case& c : {
             Case{"address out of range",
                  "\"Group name\";\"Address\"\n\"Decke\";\"1/1/1\"\n\"Flur\";\"1/9/1\"\n",
                  {"names.csv:3: \"1/9/1\" is not a group address"},
                  {"1/1/1 Decke"}},
             Case{"after a field over several lines",
                  "Group name;Address;Description\nDecke;1/1/1;\"eins\r\nzwei\r\ndrei\"\r\nFlur;32/0/0;\r\n",
                  {"names.csv:5: \"32/0/0\" is not a group address"},
                  {"1/1/1 Decke"}},
             Case{"empty address",
                  "Group name;Address\nDecke;\nFlur;1/3/1\n",
                  {"names.csv:2: \"\" is not a group address"},
                  {"1/3/1 Flur"}},
             Case{"type not understood keeps the row",
                  "Group name;Address;DatapointType\nDecke;1/1/1;DPST-x-1\n",
                  {"names.csv:2: \"DPST-x-1\" is not a datapoint type; the row is kept without one"},
                  {"1/1/1 Decke"}},
             Case{"the later row wins",
                  "Group name;Address\nAlt;1/1/1\nFlur;1/3/1\nNeu;1/1/1\n",
                  {"names.csv:4: another row for 1/1/1, after line 2; this one wins"},
                  {"1/1/1 Neu", "1/3/1 Flur"}},
             Case{"plain list",
                  "# names\n1/2/300;Zu gross\nKitchen;1/2/3\n1/-/-;Licht\n1/2/3;Kitchen\n1/2/4;Dimmer;9.x\n",
                  {"names.csv:2: \"1/2/300\" is not a group address", "names.csv:3: \"Kitchen\" is not a group address",
                   "names.csv:4: \"1/-/-\" is not a group address",
                   "names.csv:6: \"9.x\" is not a datapoint type; the row is kept without one"},
                  {"1/2/3 Kitchen", "1/2/4 Dimmer"}},
         }) {
        SCOPED_TRACE(c.name);
        const auto loaded = load(c.text);
        EXPECT_EQ(loaded.warnings, c.warnings);
        EXPECT_EQ(summary(loaded.names), c.entries);
    }
}

TEST(GroupNamesWarnings, AreCountedPastAHundred) {
    std::string text = "1/1/1;Decke\n";
    for (int i = 0; i < 150; ++i) text += "x;y\n";
    const auto loaded = load(text);
    ASSERT_EQ(loaded.warnings.size(), 101U);
    EXPECT_EQ(loaded.warnings[0], "names.csv:2: \"x\" is not a group address");
    EXPECT_EQ(loaded.warnings[99], "names.csv:101: \"x\" is not a group address");
    EXPECT_EQ(loaded.warnings[100], "names.csv: 50 more warnings left out");
}

}  // namespace
}  // namespace lintor::testing
