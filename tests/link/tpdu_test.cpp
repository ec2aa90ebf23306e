// Management TPDUs with their bytes written out by hand.
#include "link/tpdu.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/bytes.h"

namespace lintor::tpdu {
namespace {

using test::bytes;
using test::hex;

TEST(Tpdu, ManagementPdusBothWays) {
    struct Case {
        std::string tpdu;
        Pdu pdu;
    };
    for (const Case& c : {
             Case{"80", control(Kind::Connect)},
             Case{"81", control(Kind::Disconnect)},
             // C2 | 3 << 2.
             Case{"CE", control(Kind::Ack, 3)},
             Case{"FF", control(Kind::Nak, 15)},
             Case{"43 00", connectedData(0, apci::DEVICE_DESCRIPTOR_READ)},
             Case{"47 40 07 05", connectedData(1, apci::DEVICE_DESCRIPTOR_RESPONSE, {0x07, 0x05})},
             // Two bytes from 0x0060, sequence number 1.
             Case{"46 02 00 60", connectedData(1, apci::MEMORY_READ, {0x00, 0x60}, 2)},
             Case{"7E 83 01 00 AA", connectedData(15, apci::MEMORY_WRITE, {0x01, 0x00, 0xAA}, 3)},
             // Object 0, property 11, one element from index 1.
             Case{"03 D5 00 0B 10 01", data(apci::PROPERTY_VALUE_READ, {0x00, 0x0B, 0x10, 0x01})},
             Case{"00 C0 11 07", data(apci::INDIVIDUAL_ADDRESS_WRITE, {0x11, 0x07})},
             Case{"01 00", data(apci::INDIVIDUAL_ADDRESS_READ)},
             Case{"4F 80", connectedData(3, apci::RESTART)},
             Case{"00 81", data(apci::GROUP_VALUE_WRITE, {}, 1)},
         }) {
        SCOPED_TRACE(c.tpdu);
        EXPECT_EQ(hex(write(c.pdu)), c.tpdu);
        EXPECT_EQ(read(bytes(c.tpdu)), c.pdu);
    }
}

TEST(Tpdu, WhatIsNotAPdu) {
    for (const char* tpdu : {"", "82", "C0", "00", "44"}) {
        SCOPED_TRACE(tpdu);
        EXPECT_FALSE(read(bytes(tpdu)));
    }
}

}  // namespace
}  // namespace lintor::tpdu
