// cEMI messages and their EMI records, with bytes written out by hand.
#include <gtest/gtest.h>

#include "link/cemi.h"
#include "tests/support/bytes.h"

namespace lintor::cemi {
namespace {

using test::bytes;
using test::hex;

TEST(Cemi, RequestBecomesTheEmiRecordOfTheDownlink) {
    // Group write of 1 to 1/2/3 at low priority, hop count 6.
    const auto request = readLData(bytes("11 00 BC E0 00 00 0A 03 01 00 81"));
    ASSERT_TRUE(request);
    EXPECT_EQ(hex(emiRequestRecord(*request)), "10 80 09 00 11 0C 00 00 0A 03 E1 00 81");

    // Additional information is skipped; a 2-byte value at normal priority
    // to an individual address, hop count 5.
    const auto withInfo = readLData(bytes("11 02 03 00 B4 50 11 0A 12 0B 03 00 80 0C 29"));
    ASSERT_TRUE(withInfo);
    EXPECT_EQ(withInfo->source, 0x110A);
    EXPECT_EQ(hex(emiRequestRecord(*withInfo)), "10 80 0B 00 11 04 11 0A 12 0B 53 00 80 0C 29");
}

TEST(Cemi, MessagesThatDoNotAddUpAreRefused) {
    for (const char* message : {
             "11",                                      // no additional information length
             "11 00 BC E0 00 00 0A 03",                 // no length field
             "11 00 BC E0 00 00 0A 03 01 00",           // one TPDU byte short
             "11 05 01 02 BC E0 00 00 0A 03 01 00 81",  // additional information longer than sent
             "11 00 BC E1 00 00 0A 03 01 00 81",        // extended frame format
             "11 00 BC E0 00 00 0A 03 10 00 80 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00",  // 17 TPDU bytes
         }) {
        EXPECT_FALSE(readLData(bytes(message))) << message;
    }
    // The largest standard frame: 16 TPDU bytes.
    EXPECT_TRUE(readLData(bytes("11 00 BC E0 00 00 0A 03 0F 00 80 00 00 00 00 00 00 00 00 00 00 00 00 00 00")));
}

TEST(Cemi, UplinkIndicationAndConfirmation) {
    // EMI L_Data.ind from 1.1.11 to 1/1/1, value 1, as the bus link cuts it:
    // control byte to FT1.2 end byte.
    const auto indication = fromUplinkPayload(L_DATA_IND, bytes("BC 11 0B 08 01 E1 00 81 7A 16"));
    ASSERT_TRUE(indication);
    EXPECT_EQ(hex(writeLData(*indication)), "29 00 BC E0 11 0B 08 01 01 00 81");

    // A repeated frame at system priority to an individual address.
    const auto repeated = fromUplinkPayload(L_DATA_IND, bytes("90 11 0B 12 0B 61 43 00 00 16"));
    ASSERT_TRUE(repeated);
    EXPECT_EQ(hex(writeLData(*repeated)), "29 00 90 60 11 0B 12 0B 01 43 00");

    // A failed confirmation keeps its confirm bit.
    const auto failed = fromUplinkPayload(L_DATA_CON, bytes("BD 00 00 0A 03 E1 00 81 00 16"));
    ASSERT_TRUE(failed);
    EXPECT_EQ(hex(writeLData(*failed)), "2E 00 BD E0 00 00 0A 03 01 00 81");

    EXPECT_FALSE(fromUplinkPayload(L_DATA_IND, bytes("BC 11 0B 08 01 E3 00 81")));
}

TEST(Cemi, ConfirmationOfARequestSetsOnlyTheConfirmBit) {
    const auto request = readLData(bytes("11 00 BC E0 FF F1 0A 03 01 00 81"));
    ASSERT_TRUE(request);
    EXPECT_EQ(hex(writeLData(confirmationOf(*request, true))), "2E 00 BC E0 FF F1 0A 03 01 00 81");
    EXPECT_EQ(hex(writeLData(confirmationOf(*request, false))), "2E 00 BD E0 FF F1 0A 03 01 00 81");
}

}  // namespace
}  // namespace lintor::cemi

namespace lintor::cemi {
namespace {

using test::bytes;
using test::hex;

TEST(CemiModule, MessagesComeUpAsTheBcusWouldHaveSentThem) {
    struct Case {
        const char* module;
        const char* emi;  // empty: not translated
    };
    for (const Case& c : {
             // L_Data.ind of a group write from 1.1.11 to 1/1/1, low
             // priority, not repeated, hop count 6.
             Case{"29 00 BC E0 11 0B 09 01 01 00 81", "29 BC 11 0B 09 01 E1 00 81"},
             // The same with additional information, and repeated on the line.
             Case{"29 03 04 01 7F 9C E0 11 0B 09 01 01 00 81", "29 9C 11 0B 09 01 E1 00 81"},
             // A negative L_Data.con of T_Connect to 1.1.99, system priority.
             Case{"2E 00 B1 60 11 FA 11 63 00 80", "2E B1 11 FA 11 63 60 80"},
             // L_Busmon.ind: status 01, time stamp 1234, then the raw frame.
             Case{"2B 07 03 01 01 04 02 12 34 BC 11 0B 09 01 E1 00 81 3F", "2B 01 12 34 BC 11 0B 09 01 E1 00 81 3F"},
             // Local management and cut-short messages stay the module's.
             Case{"F5 00 08 01 34 10 01", ""},
             Case{"29 00 BC E0 11 0B 09 01 01 00", ""},
             Case{"2B 05 03 01 01 04 02", ""},
         }) {
        SCOPED_TRACE(c.module);
        const auto emi = emiMessageOf(bytes(c.module));
        EXPECT_EQ(emi ? hex(*emi) : "", c.emi);
    }
}

TEST(CemiModule, OnlyAnEmiRequestGoesDownAsTheModulesRequest) {
    struct Case {
        const char* emi;
        const char* module;
    };
    for (const Case& c : {
             // Group write from 0.0.0 at low priority, hop count 6: a
             // standard frame the module repeats when unacknowledged.
             Case{"11 0C 00 00 0A 03 E1 00 81", "11 00 BC E0 00 00 0A 03 01 00 81"},
             // T_Connect to 1.1.11 at system priority.
             Case{"11 00 00 00 11 0B 60 80", "11 00 B0 60 00 00 11 0B 00 80"},
             // PC_Set_Value.req, PEI_Switch.req: nothing a module knows.
             Case{"A6 01 01 16 00", ""}, Case{"A9 00 18 34 56 78 0A", ""},
             Case{"11 0C 00 00 0A 03 E2 00 81", ""},  // one TPDU byte short
         }) {
        SCOPED_TRACE(c.emi);
        const auto module = moduleRequestOf(bytes(c.emi));
        EXPECT_EQ(module ? hex(*module) : "", c.module);
    }
}

}  // namespace
}  // namespace lintor::cemi
