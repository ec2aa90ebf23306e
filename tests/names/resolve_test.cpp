// Finding group addresses by address, path and name.
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "names/group_names.h"
#include "tests/names/ets_exports.h"
#include "tests/names/names_test_support.h"

namespace lintor::testing {
namespace {

// The address, or "failure: " and the message.
std::string resolved(const GroupNames& names, std::string_view text) {
    const auto result = names.resolve(text);
    if (const auto* failure = std::get_if<GroupNames::Failure>(&result)) return "failure: " + failure->message;
    return formatGroupAddress(std::get<uint16_t>(result));
}

struct Case {
    const char* text;
    const char* result;
};

void expectResolved(std::string_view file, std::initializer_list<Case> cases) {
    const GroupNames names = load(file).names;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(resolved(names, c.text), c.result);
    }
}

TEST(GroupNamesResolve, AddressesThenPathsThenNamesThatOneAddressHas) {
    expectResolved(threeColumnExport(), {
                                            {"1/2/2", "1/2/2"},
                                            {"31/7/255", "31/7/255"},
                                            {"#0A03", "1/2/3"},
                                            {"Licht/Küche/Decke", "1/1/1"},
                                            {"Licht/Wohnzimmer/Decke", "1/2/1"},
                                            {"Licht/Flur", "1/3/1"},
                                            {"Außentemperatur", "2/0/1"},
                                            {"  Flur\t", "1/3/1"},
                                            {"flur", "1/3/1"},
                                            {"AUßENTEMPERATUR", "2/0/1"},
                                            {R"(Spot "Leseecke"; links, dimmbar)", "1/2/3"},
                                        });
}

TEST(GroupNamesResolve, ExactCaseWinsOverOtherCase) {
    expectResolved("1/0/1;Flur\n1/0/2;flur\n1/0/3;FLUR\n", {
                                                               {"flur", "1/0/2"},
                                                               {"Flur", "1/0/1"},
                                                               {"fLUR",
                                                                "failure: \"fLUR\" is ambiguous: 1/0/1 (Flur), "
                                                                "1/0/2 (flur), 1/0/3 (FLUR); give the full "
                                                                "name or the address"},
                                                           });
}

TEST(GroupNamesResolve, AmbiguousAndUnknownNamesSayWhy) {
    expectResolved(threeColumnExport(),
                   {
                       {"Decke",
                        "failure: \"Decke\" is ambiguous: 1/1/1 (Licht/Küche/Decke), 1/2/1 (Licht/Wohnzimmer/Decke); "
                        "give the full name or the address"},
                       {"decke",
                        "failure: \"decke\" is ambiguous: 1/1/1 (Licht/Küche/Decke), 1/2/1 (Licht/Wohnzimmer/Decke); "
                        "give the full name or the address"},
                       {"Kueche", "failure: no group address is named \"Kueche\" (names from names.csv)"},
                       {"Licht/Küche", "failure: no group address is named \"Licht/Küche\" (names from names.csv)"},
                       {"1/8/1", "failure: no group address is named \"1/8/1\" (names from names.csv)"},
                       {"", "failure: no group address is named \"\" (names from names.csv)"},
                   });
}

TEST(GroupNamesResolve, ListsAtMostTenOfTheAddressesANameFits) {
    std::string file;
    for (int sub = 1; sub <= 12; ++sub) file += "1/0/" + std::to_string(sub) + ";Schalten\n";
    expectResolved(file, {{"Schalten",
                           "failure: \"Schalten\" is ambiguous: 1/0/1 (Schalten), 1/0/2 (Schalten), 1/0/3 (Schalten), "
                           "1/0/4 (Schalten), 1/0/5 (Schalten), 1/0/6 (Schalten), 1/0/7 (Schalten), 1/0/8 (Schalten), "
                           "1/0/9 (Schalten), 1/0/10 (Schalten) and 2 more; give the full name or the address"}});
}

TEST(GroupNamesFind, GivesTheEntryOrNothing) {
    const GroupNames names = load("2/0/1;Wind\n1/0/0;Start\n31/7/255;Ende\n").names;
    const auto found = [&names](uint32_t main, uint32_t middle, uint32_t sub) -> std::string {
        const GroupName* entry = names.find(composeGroupAddress(main, middle, sub));
        return entry ? formatGroupAddress(entry->address) + " " + entry->name : "none";
    };
    EXPECT_EQ(found(1, 0, 0), "1/0/0 Start");
    EXPECT_EQ(found(2, 0, 1), "2/0/1 Wind");
    EXPECT_EQ(found(31, 7, 255), "31/7/255 Ende");
    EXPECT_EQ(found(0, 0, 0), "none");
    EXPECT_EQ(found(1, 0, 1), "none");
    EXPECT_EQ(found(2, 0, 0), "none");
}

}  // namespace
}  // namespace lintor::testing
