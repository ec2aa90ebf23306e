#include "link/telegram_view.h"

#include <gtest/gtest.h>

#include <string>

#include "link/bus_message.h"
#include "link/individual_address.h"
#include "tests/support/bytes.h"

namespace lintor {
namespace {

using test::bytes;
using test::hex;

// Payloads as the gateway sends them: the L_Data message without its code,
// then a checksum (not looked at here) and the end byte.
TEST(TelegramView, ReadsTheFieldsOfAnIndication) {
    // BC: standard frame, not repeated, low priority; E1: group, hop count 6,
    // one byte after the TPCI.
    const auto payload = bytes("BC 11 0B 09 01 E1 00 81 5A 16");
    const auto view = viewTelegram(payload);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->source, 0x110B);
    EXPECT_EQ(view->destination, 0x0901);
    EXPECT_TRUE(view->groupDestination);
    EXPECT_EQ(view->priority, Priority::Low);
    EXPECT_FALSE(view->repeated);
    EXPECT_FALSE(view->confirmFailed);
    EXPECT_EQ(view->hopCount, 6);
    EXPECT_EQ(hex(view->tpdu), "00 81");
}

TEST(TelegramView, ControlAndNpciBits) {
    struct Case {
        std::string payload;
        Priority priority;
        bool repeated;
        bool confirmFailed;
        bool group;
        uint8_t hops;
    };
    for (const Case& c : {
             Case{"B0 11 01 0A 03 E1 00 81 00 16", Priority::System, false, false, true, 6},
             Case{"B4 11 01 0A 03 D1 00 81 00 16", Priority::Normal, false, false, true, 5},
             Case{"B8 11 01 0A 03 F1 00 81 00 16", Priority::Urgent, false, false, true, 7},
             Case{"9C 11 01 0A 03 81 00 81 00 16", Priority::Low, true, false, true, 0},
             Case{"BD 11 01 11 05 61 00 81 00 16", Priority::Low, false, true, false, 6},
         }) {
        SCOPED_TRACE(c.payload);
        const auto view = viewTelegram(bytes(c.payload));
        ASSERT_TRUE(view);
        EXPECT_EQ(view->priority, c.priority);
        EXPECT_EQ(view->repeated, c.repeated);
        EXPECT_EQ(view->confirmFailed, c.confirmFailed);
        EXPECT_EQ(view->groupDestination, c.group);
        EXPECT_EQ(view->hopCount, c.hops);
    }
}

TEST(TelegramView, PayloadShorterThanItsNpciSaysIsRefused) {
    EXPECT_FALSE(viewTelegram(bytes("BC 11 0E 19 01 E3 00 80 0C")));  // three after the TPCI, two there
    EXPECT_FALSE(viewTelegram(bytes("BC 11 0E 19 01 E0")));
    EXPECT_FALSE(viewTelegram({}));
    // A control telegram: no byte after the TPCI.
    const auto controlPayload = bytes("B0 11 01 11 05 60 80 00 16");
    const auto control = viewTelegram(controlPayload);
    ASSERT_TRUE(control);
    EXPECT_EQ(hex(control->tpdu), "80");
}

TEST(TelegramView, GroupDataIsTheSixBitsOrTheBytesAfterTheApci) {
    const auto sixBitTpdu = bytes("00 BF");
    const auto sixBit = groupDataOf(sixBitTpdu);
    EXPECT_TRUE(sixBit.sixBit);
    EXPECT_EQ(sixBit.sixBitValue, 0x3F);

    const auto twoBytesTpdu = bytes("00 80 0C 1A");
    const auto twoBytes = groupDataOf(twoBytesTpdu);
    EXPECT_FALSE(twoBytes.sixBit);
    EXPECT_EQ(hex(twoBytes.bytes), "0C 1A");

    EXPECT_FALSE(groupDataOf(bytes("00")).sixBit);
    EXPECT_TRUE(groupDataOf(bytes("00")).bytes.empty());
}

TEST(TelegramView, ServiceNamesAsMonitorsShowThem) {
    EXPECT_EQ(serviceNameOf(MSG_GROUP_VALUE_WRITE), "GroupValue_Write");
    EXPECT_EQ(serviceNameOf(MSG_GROUP_VALUE_READ), "GroupValue_Read");
    EXPECT_EQ(serviceNameOf(0x1040), "Memory_Read");
    EXPECT_EQ(serviceNameOf(0x10F0), "T_Connect");
    EXPECT_EQ(serviceNameOf(MSG_CONFIRM), "");

    EXPECT_EQ(recordTypeOfTpdu(bytes("00 80 0C 1A")), MSG_GROUP_VALUE_WRITE);
    EXPECT_EQ(recordTypeOfTpdu(bytes("00 41")), MSG_GROUP_VALUE_RESPONSE);
    EXPECT_EQ(recordTypeOfTpdu(bytes("80")), 0x10F0);     // T_Connect
    EXPECT_EQ(recordTypeOfTpdu(bytes("47 00")), 0x1070);  // DeviceDescriptor_Read, sequence number 1
    EXPECT_EQ(recordTypeOfTpdu({}), MSG_UNMATCHED_TELEGRAM);
}

TEST(IndividualAddress, WrittenAndReadAsAreaLineDevice) {
    EXPECT_EQ(formatIndividualAddress(0x110B), "1.1.11");
    EXPECT_EQ(formatIndividualAddress(0xFFFF), "15.15.255");
    EXPECT_EQ(formatIndividualAddress(0x0000), "0.0.0");

    EXPECT_EQ(parseIndividualAddress("1.1.10"), 0x110A);
    EXPECT_EQ(parseIndividualAddress("15.15.255"), 0xFFFF);
    for (const char* bad : {"16.0.0", "0.16.0", "1.1.256", "1.1", "1..1", "1.1.1 ", "1.1.1.1", "-1.1.1", "", "a.b.c"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parseIndividualAddress(bad));
    }
}

}  // namespace
}  // namespace lintor
