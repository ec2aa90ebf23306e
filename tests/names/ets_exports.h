#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "link/group_address.h"
#include "names/group_names.h"

namespace lintor::testing {

inline std::string joined(std::initializer_list<std::string_view> lines, std::string_view lineEnd) {
    std::string text;
    for (const std::string_view line : lines) text.append(line).append(lineEnd);
    return text;
}

// One small building as ETS 6 exports it in the 3/1 layout: UTF-8 with a
// byte-order mark, CRLF. Middle group 1/3 has no name, 2/0 has no row.
inline std::string threeColumnExport() {
    return "\xEF\xBB\xBF" +
           joined({R"("Main";"Middle";"Sub";"Address";"Central";"Unfiltered";"Description";"DatapointType";"Security")",
                   R"("Licht";"";"";"1/-/-";"";"";"";"";"Auto")", R"("";"Küche";"";"1/1/-";"";"";"";"";"Auto")",
                   R"("";"";"Decke";"1/1/1";"";"";"";"DPST-1-1";"Auto")",
                   R"("";"";"Decke Status";"1/1/2";"";"";"";"DPST-1-11";"Auto")",
                   R"("";"Wohnzimmer";"";"1/2/-";"";"";"";"";"Auto")",
                   R"("";"";"Decke";"1/2/1";"";"";"Deckenleuchte";"DPST-1-1";"Auto")",
                   R"("";"";"Spot ""Leseecke""; links, dimmbar";"1/2/3";"";"";"";"DPT-5";"Auto")",
                   R"("";"";"";"1/3/-";"";"";"";"";"Auto")", R"("";"";"Flur";"1/3/1";"";"";"";"DPST-1-1";"Auto")",
                   R"("Wetter";"";"";"2/-/-";"";"";"";"";"Auto")",
                   R"("";"";"Außentemperatur";"2/0/1";"";"";"";"DPST-9-1";"Auto")",
                   R"("";"";"Windgeschwindigkeit";"2/0/2";"";"";"Böen)", R"(in m/s";"DPST-9-5, DPST-9-4";"Auto")"},
                  "\r\n");
}

// The same building in the 1/1 layout, separated by commas, LF, no mark.
inline std::string oneColumnExport() {
    return joined(
        {R"("Group name","Address","Central","Unfiltered","Description","DatapointType","Security")",
         R"("Licht","1/-/-","","","","","Auto")", R"("Küche","1/1/-","","","","","Auto")",
         R"("Decke","1/1/1","","","","DPST-1-1","Auto")", R"("Decke Status","1/1/2","","","","DPST-1-11","Auto")",
         R"("Wohnzimmer","1/2/-","","","","","Auto")", R"("Decke","1/2/1","","","Deckenleuchte","DPST-1-1","Auto")",
         R"("Spot ""Leseecke""; links, dimmbar","1/2/3","","","","DPT-5","Auto")", R"("","1/3/-","","","","","Auto")",
         R"("Flur","1/3/1","","","","DPST-1-1","Auto")", R"("Wetter","2/-/-","","","","","Auto")",
         R"("Außentemperatur","2/0/1","","","","DPST-9-1","Auto")", R"("Windgeschwindigkeit","2/0/2","","","Böen)",
         R"(in m/s","DPST-9-5,DPST-9-4","Auto")"},
        "\n");
}

// The 3/1 export as ETS 5 writes it in Windows-1252/Latin-1, without a mark;
// the umlauts in octal.
inline std::string latin1Export() {
    return joined(
        {R"("Main";"Middle";"Sub";"Address";"Central";"Unfiltered";"Description";"DatapointType";"Security")",
         R"("Licht";"";"";"1/-/-";"";"";"";"";"Auto")", "\"\";\"K\374che\";\"\";\"1/1/-\";\"\";\"\";\"\";\"\";\"Auto\"",
         R"("";"";"Decke";"1/1/1";"";"";"";"DPST-1-1";"Auto")",
         R"("";"";"Decke Status";"1/1/2";"";"";"";"DPST-1-11";"Auto")",
         R"("";"Wohnzimmer";"";"1/2/-";"";"";"";"";"Auto")",
         R"("";"";"Decke";"1/2/1";"";"";"Deckenleuchte";"DPST-1-1";"Auto")",
         R"("";"";"Spot ""Leseecke""; links, dimmbar";"1/2/3";"";"";"";"DPT-5";"Auto")",
         R"("";"";"";"1/3/-";"";"";"";"";"Auto")", R"("";"";"Flur";"1/3/1";"";"";"";"DPST-1-1";"Auto")",
         R"("Wetter";"";"";"2/-/-";"";"";"";"";"Auto")",
         "\"\";\"\";\"Au\337entemperatur\";\"2/0/1\";\"\";\"\";\"\";\"DPST-9-1\";\"Auto\"",
         "\"\";\"\";\"Windgeschwindigkeit\";\"2/0/2\";\"\";\"\";\"B\366en", R"(in m/s";"DPST-9-5, DPST-9-4";"Auto")"},
        "\r\n");
}

// What each of the three says, written out by hand.
inline std::vector<GroupName> buildingNames() {
    const auto type = [](uint16_t main, uint16_t sub) { return dpt::DatapointType{main, sub}; };
    return {
        {composeGroupAddress(1, 1, 1), "Decke", "Licht/Küche/Decke", type(1, 1)},
        {composeGroupAddress(1, 1, 2), "Decke Status", "Licht/Küche/Decke Status", type(1, 11)},
        {composeGroupAddress(1, 2, 1), "Decke", "Licht/Wohnzimmer/Decke", type(1, 1)},
        {composeGroupAddress(1, 2, 3), R"(Spot "Leseecke"; links, dimmbar)",
         R"(Licht/Wohnzimmer/Spot "Leseecke"; links, dimmbar)", dpt::DatapointType{5, std::nullopt}},
        {composeGroupAddress(1, 3, 1), "Flur", "Licht/Flur", type(1, 1)},
        {composeGroupAddress(2, 0, 1), "Außentemperatur", "Wetter/Außentemperatur", type(9, 1)},
        {composeGroupAddress(2, 0, 2), "Windgeschwindigkeit", "Wetter/Windgeschwindigkeit", type(9, 5)},
    };
}

}  // namespace lintor::testing
