#include "link/group_value.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/support/bytes.h"

namespace lintor {
namespace {

using test::bytes;

TEST(GroupValue, ServiceAndNumberOfATpdu) {
    struct Case {
        std::string tpdu;
        std::optional<GroupServiceCode> service;
        std::optional<uint32_t> number;
    };
    for (const Case& c : {
             Case{"00 00", GroupServiceCode::Read, 0},
             Case{"00 7F", GroupServiceCode::Response, 0x3F},
             Case{"00 80 FF", GroupServiceCode::Write, 0xFF},
             Case{"00 BF 12 34 56 78", GroupServiceCode::Write, 0x12345678},  // six bits ignored beside bytes
             Case{"00 80 01 02 03 04 05", GroupServiceCode::Write, std::nullopt},
             Case{"00 C0", std::nullopt, 0},  // not a group value service
             Case{"04 80", std::nullopt, 0},  // numbered data
             Case{"00", std::nullopt, std::nullopt},
         }) {
        SCOPED_TRACE(c.tpdu);
        EXPECT_EQ(groupServiceOf(bytes(c.tpdu)), c.service);
        EXPECT_EQ(groupValueNumber(bytes(c.tpdu)), c.number);
    }
}

}  // namespace
}  // namespace lintor
