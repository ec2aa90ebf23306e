#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/log.h"
#include "tests/support/bytes.h"
#include "tools/bcusim/confirmation.h"
#include "tools/bcusim/group_telegram.h"

namespace lintor::bcusim {
namespace {

using test::bytes;
using test::hex;

std::string hexOrNone(const std::optional<std::vector<uint8_t>>& message) { return message ? hex(*message) : "none"; }

TEST(GroupIndication, KnownMessages) {
    struct Case {
        const char* name;
        GroupService service;
        uint16_t source, group;
        uint32_t value;
        int dataBytes;
        std::string message;
    };
    for (const Case& c : {
             Case{"six-bit write", GroupService::Write, 0x1101, 0x0A03, 1, SIX_BIT_VALUE, "29 BC 11 01 0A 03 E1 00 81"},
             Case{"largest six-bit", GroupService::Write, 0x1101, 0x0A03, 63, SIX_BIT_VALUE,
                  "29 BC 11 01 0A 03 E1 00 BF"},
             Case{"read", GroupService::Read, 0x1101, 0x0A03, 0, SIX_BIT_VALUE, "29 BC 11 01 0A 03 E1 00 00"},
             Case{"one byte", GroupService::Write, 0x1101, 0x0A03, 200, 1, "29 BC 11 01 0A 03 E2 00 80 C8"},
             Case{"two-byte response", GroupService::Response, 0x110E, 0x1901, 0x0C1A, 2,
                  "29 BC 11 0E 19 01 E3 00 40 0C 1A"},
             Case{"four bytes", GroupService::Write, 0x1101, 0x2001, 0x12345678, 4,
                  "29 BC 11 01 20 01 E5 00 80 12 34 56 78"},
             Case{"largest four bytes", GroupService::Write, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 4,
                  "29 BC FF FF FF FF E5 00 80 FF FF FF FF"},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(hexOrNone(groupIndication(c.service, c.source, c.group, c.value, c.dataBytes)), c.message);
    }
}

TEST(GroupIndication, RefusesValuesThatDoNotFitTheirSize) {
    EXPECT_FALSE(groupIndication(GroupService::Write, 0x1101, 0x0A03, 64, SIX_BIT_VALUE));
    EXPECT_FALSE(groupIndication(GroupService::Write, 0x1101, 0x0A03, 256, 1));
    EXPECT_FALSE(groupIndication(GroupService::Write, 0x1101, 0x0A03, 0x10000, 2));
    EXPECT_FALSE(groupIndication(GroupService::Write, 0x1101, 0x0A03, 1, 3));
    EXPECT_FALSE(groupIndication(GroupService::Write, 0x1101, 0x0A03, 1, -1));
}

std::string serviceName(GroupService service) {
    switch (service) {
    case GroupService::Read:
        return "read";
    case GroupService::Response:
        return "response";
    case GroupService::Write:
        return "write";
    }
    return "?";
}

std::string describe(const std::optional<GroupRequest>& r) {
    if (!r) return "none";
    return log::hexWord(r->group) + " " + serviceName(r->service) + " " + std::to_string(r->value) + " size " +
           std::to_string(r->dataBytes);
}

TEST(GroupRequestParser, ReadsGroupServicesAndRejectsTheRest) {
    struct Case {
        const char* name;
        std::string message;
        std::string parsed;
    };
    for (const Case& c : {
             Case{"read", "11 0C 00 00 0A 03 E1 00 00", "0x0A03 read 0 size 0"},
             Case{"six-bit write", "11 0C 00 00 0A 03 E1 00 81", "0x0A03 write 1 size 0"},
             Case{"one-byte write", "11 0C 00 00 0A 01 E2 00 80 42", "0x0A01 write 66 size 1"},
             Case{"two-byte response", "11 0C 00 00 19 01 E3 00 40 0C 1A", "0x1901 response 3098 size 2"},
             Case{"four-byte write", "11 0C 00 00 20 01 E5 00 80 12 34 56 78", "0x2001 write 305419896 size 4"},
             Case{"individual address", "11 0C 00 00 0A 03 61 00 00", "none"},
             Case{"data cut short", "11 0C 00 00 0A 03 E3 00 80 0C", "none"},
             Case{"length zero", "11 0C 00 00 0A 03 E0 00 00", "none"},
             Case{"not a group value service", "11 0C 00 00 0A 03 E1 00 C0", "none"},
             Case{"connection-oriented", "11 0C 00 00 0A 03 E1 42 00", "none"},
             Case{"indication, not request", "29 BC 11 01 0A 03 E1 00 81", "none"},
             Case{"no TPCI", "11 0C 00 00 0A 03 E1", "none"},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(describe(parseGroupRequest(bytes(c.message))), c.parsed);
    }
}

TEST(Confirmation, MirrorsDataRequestsAndOnlyThem) {
    struct Case {
        const char* name;
        std::string message;
        std::string confirmation;
    };
    for (const Case& c : {
             Case{"low priority", "11 0C 00 00 0A 03 E1 00 81", "2E BC 00 00 0A 03 E1 00 81"},
             Case{"system priority", "11 00 11 05 0A 03 E1 00 81", "2E B0 11 05 0A 03 E1 00 81"},
             Case{"odd request flags", "11 7C 00 00 0A 03 E1 00 81", "2E BC 00 00 0A 03 E1 00 81"},
             Case{"PEI switch", "A9 96 18 34 56 78 0A", "none"},
             Case{"set value", "A6 01 01 16 00", "none"},
             Case{"message code only", "11", "none"},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(hexOrNone(confirmationOf(bytes(c.message))), c.confirmation);
    }
}

}  // namespace
}  // namespace lintor::bcusim
