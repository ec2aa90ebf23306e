#include "link/group_request.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/bytes.h"

namespace lintor {
namespace {

using test::bytes;
using test::hex;

TEST(GroupRequest, RecordsMatchKnownBytes) {
    struct Case {
        const char* name;
        GroupServiceCode service;
        uint16_t source;
        uint16_t group;
        std::string value;
        bool sixBit;
        std::string record;
    };
    for (const Case& c : {
             // 10 80: MSG_DATA_TO_BCU; 09 00: nine bytes; 11: L_Data.req; 0C: low
             // priority; E1: group, hop count 6, one byte after the TPCI.
             Case{"six-bit write", GroupServiceCode::Write, 0x11FF, 0x0A03, "01", true,
                  "10 80 09 00 11 0C 11 FF 0A 03 E1 00 81"},
             Case{"six-bit value cut to six bits", GroupServiceCode::Write, 0x0000, 0x0A03, "FF", true,
                  "10 80 09 00 11 0C 00 00 0A 03 E1 00 BF"},
             Case{"read", GroupServiceCode::Read, 0x0000, 0x0901, "", true, "10 80 09 00 11 0C 00 00 09 01 E1 00 00"},
             // Two value bytes: eleven bytes, NPCI length 3.
             Case{"two-byte write", GroupServiceCode::Write, 0x0000, 0x1901, "0C 29", false,
                  "10 80 0B 00 11 0C 00 00 19 01 E3 00 80 0C 29"},
             Case{"one-byte response", GroupServiceCode::Response, 0x110D, 0x0A01, "80", false,
                  "10 80 0A 00 11 0C 11 0D 0A 01 E2 00 40 80"},
             // Fourteen bytes: 23 = 0x17 in the record, NPCI length 15.
             Case{"fourteen bytes", GroupServiceCode::Write, 0x0000, 0x0001,
                  "41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E", false,
                  "10 80 17 00 11 0C 00 00 00 01 EF 00 80 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E"},
             Case{"a fifteenth byte is left off", GroupServiceCode::Write, 0x0000, 0x0001,
                  "41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F", false,
                  "10 80 17 00 11 0C 00 00 00 01 EF 00 80 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E"},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(hex(groupRequestRecord(c.service, c.source, c.group, bytes(c.value), c.sixBit)), c.record);
    }
}

}  // namespace
}  // namespace lintor
