#include "dpt/datapoint_type.h"

#include <gtest/gtest.h>

#include <string>

namespace lintor::dpt {
namespace {

TEST(DatapointType, ReadsTheFormsPeopleAndEtsWrite) {
    struct Case {
        std::string text;
        std::optional<DatapointType> type;
    };
    for (const Case& c : {
             Case{"9.001", DatapointType{9, 1}},
             Case{"9.1", DatapointType{9, 1}},
             Case{"9", DatapointType{9, std::nullopt}},
             Case{"232.600", DatapointType{232, 600}},
             Case{"DPT9.001", DatapointType{9, 1}},
             Case{"dpt-9", DatapointType{9, std::nullopt}},
             Case{"DPST-9-1", DatapointType{9, 1}},
             Case{"DPST-20-102", DatapointType{20, 102}},
             Case{"DPST-9", std::nullopt},  // ETS always gives a subtype here
             Case{"", std::nullopt},
             Case{"9.", std::nullopt},
             Case{".1", std::nullopt},
             Case{"9.001x", std::nullopt},
             Case{"-9.1", std::nullopt},
             Case{" 9.1", std::nullopt},
             Case{"70000.1", std::nullopt},
             Case{"9.001.1", std::nullopt},
         }) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseDatapointType(c.text), c.type);
    }
}

TEST(DatapointType, WritesThreeDigitSubtypes) {
    EXPECT_EQ(formatDatapointType({9, 1}), "9.001");
    EXPECT_EQ(formatDatapointType({232, 600}), "232.600");
    EXPECT_EQ(formatDatapointType({1, std::nullopt}), "1");
}

}  // namespace
}  // namespace lintor::dpt
