// L_Data messages with their bytes written out by hand.
#include "link/ldata.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/bytes.h"

namespace lintor::ldata {
namespace {

using test::bytes;
using test::hex;

TEST(LData, MessagesAndTheirFields) {
    struct Case {
        std::string message;
        Fields fields;  // without the TPDU
        std::string tpdu;
    };
    for (const Case& c : {
             // BC: standard frame, not repeated, low priority; E1: group, hop
             // count 6, one byte after the TPCI.
             Case{"29 BC 11 0B 09 01 E1 00 81", {0xBC, 0x110B, 0x0901, 0xE0, {}}, "00 81"},
             // 04: normal priority; 53: individual address, hop count 5.
             Case{"11 04 11 0A 12 0B 53 00 80 0C 29", {0x04, 0x110A, 0x120B, 0x50, {}}, "00 80 0C 29"},
             // Nothing after the TPCI.
             Case{"2E B1 FF FE 00 01 70 80", {0xB1, 0xFFFE, 0x0001, 0x70, {}}, "80"},
         }) {
        SCOPED_TRACE(c.message);
        const auto tpdu = bytes(c.tpdu);
        Fields fields = c.fields;
        fields.tpdu = tpdu;
        const auto message = bytes(c.message);
        EXPECT_EQ(hex(writeMessage(message[0], fields)), c.message);

        // As an uplink payload: checksum and end byte after the TPDU.
        const auto payload = bytes(c.message.substr(3) + " 00 16");
        const auto read = readFields(payload);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->control, c.fields.control);
        EXPECT_EQ(read->source, c.fields.source);
        EXPECT_EQ(read->destination, c.fields.destination);
        EXPECT_EQ(read->routing, c.fields.routing);
        EXPECT_EQ(hex(read->tpdu), c.tpdu);
        EXPECT_FALSE(readFields(std::span(message).subspan(1, message.size() - 2))) << "one TPDU byte short";
    }
}

}  // namespace
}  // namespace lintor::ldata
