// The simulated devices as the line delivers frames to them: each step is a
// frame the BCU sends, whether a device acknowledged it, and what the
// devices sent back ("source > destination: TPDU", written out by hand).
#include "tools/bcusim/simulated_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/individual_address.h"
#include "tests/support/bytes.h"
#include "tools/bcusim/demo_devices.h"

namespace lintor::bcusim {
namespace {

constexpr uint16_t kHost = 0x11FA;  // 1.1.250
constexpr uint16_t kBroadcast = 0;

struct Step {
    uint16_t destination;
    std::string tpdu;
    std::string answers;  // "; " between them
    bool acknowledged = true;
    bool group = false;
};

std::string describe(const std::vector<LineFrame>& frames) {
    std::string text;
    for (const LineFrame& frame : frames) {
        if (!text.empty()) text += "; ";
        text += formatIndividualAddress(frame.source) + " > " +
                (frame.isBroadcast() ? "all" : formatIndividualAddress(frame.destination)) + ": " +
                test::hex(frame.tpdu);
    }
    return text;
}

void run(const std::vector<Step>& steps) {
    SimulatedLine line(simulatedDevices());
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        SCOPED_TRACE("step " + std::to_string(i) + ": " + step.tpdu);
        LineFrame frame;
        frame.source = kHost;
        frame.destination = step.destination;
        frame.groupDestination = step.group;
        frame.tpdu = test::bytes(step.tpdu);
        const auto sent = line.transmit(frame, {});
        EXPECT_EQ(sent.acknowledged, step.acknowledged);
        EXPECT_EQ(describe(sent.answers), step.answers);
    }
}

TEST(SimulatedLine, DevicesGiveTheirMaskVersionAndMemory) {
    run({
        {0x110B, "03 00", "1.1.11 > 1.1.250: 03 40 07 05"},  // A_DeviceDescriptor_Read, type 0
        {0x110D, "03 00", "1.1.13 > 1.1.250: 03 40 00 12"},  // BCU 1
        {0x110E, "03 00", "1.1.14 > 1.1.250: 03 40 00 20"},  // BCU 2
        {0x1163, "03 00", "", false},                        // 1.1.99: nobody there
        {0x0A03, "00 81", "", true, true},                   // a group write: always acknowledged
        // A_Memory_Read of 3 bytes at 0x0116: a BCU's address table, length 1, then 1.1.14.
        {0x110E, "02 03 01 16", "1.1.14 > 1.1.250: 02 43 01 16 01 11 0E"},
        {0x110E, "02 01 02 00", "1.1.14 > 1.1.250: 02 40 02 00"},  // outside the image: count 0
        {0x110E, "02 0D 00 00", "1.1.14 > 1.1.250: 02 40 00 00"},  // 13 bytes do not fit a frame
        {0x110B, "02 82 01 00 AB CD", ""},                         // A_Memory_Write of 2 bytes
        {0x110B, "02 02 01 00", "1.1.11 > 1.1.250: 02 42 01 00 AB CD"},
    });
}

TEST(SimulatedLine, DeviceObjectPropertiesAndAuthorization) {
    run({
        // A_PropertyValue_Read: object 0, PID 11, one element from 1; the serial number.
        {0x110C, "03 D5 00 0B 10 01", "1.1.12 > 1.1.250: 03 D6 00 0B 10 01 7F FE 00 00 11 0C"},
        {0x110C, "03 D5 00 0C 10 01", "1.1.12 > 1.1.250: 03 D6 00 0C 10 01 7F FE"},  // manufacturer
        {0x110C, "03 D5 00 53 10 01", "1.1.12 > 1.1.250: 03 D6 00 53 10 01 07 05"},  // descriptor
        {0x110C, "03 D5 00 0C 10 00", "1.1.12 > 1.1.250: 03 D6 00 0C 10 00 00 01"},  // element 0: how many
        {0x110C, "03 D5 00 63 10 01", "1.1.12 > 1.1.250: 03 D6 00 63 00 01"},        // PID 99: count 0
        {0x110C, "03 D5 01 01 10 01", "1.1.12 > 1.1.250: 03 D6 01 01 00 01"},        // object 1: none
        {0x110C, "03 D7 00 0B 10 01 00", "1.1.12 > 1.1.250: 03 D6 00 0B 00 01"},     // read only
        {0x110D, "03 D5 00 0B 10 01", ""},                                           // a BCU 1 has no properties
        // A_Authorize_Request: the default key gives level 0, another the lowest, 3.
        {0x110E, "03 D1 00 FF FF FF FF", "1.1.14 > 1.1.250: 03 D2 00"},
        {0x110E, "03 D1 00 12 34 56 78", "1.1.14 > 1.1.250: 03 D2 03"},
        {0x110D, "03 D1 00 FF FF FF FF", ""},
    });
}

TEST(SimulatedLine, OnlyDevicesInProgrammingModeTakeAnAddress) {
    run({
        {kBroadcast, "01 00", "", true, true},  // A_IndividualAddress_Read: nobody in programming mode
        // PID_PROGMODE := 1 on 1.1.15; memory 0x0060 := 81 on the BCU 1 (bit 0 with its parity bit).
        {0x110F, "03 D7 00 36 10 01 01", "1.1.15 > 1.1.250: 03 D6 00 36 10 01 01"},
        {0x110D, "02 81 00 60 81", ""},
        {kBroadcast, "01 00", "1.1.13 > all: 01 40; 1.1.15 > all: 01 40", true, true},
        {0x110D, "02 81 00 60 00", ""},
        {kBroadcast, "00 C0 12 0A", "", true, true},  // A_IndividualAddress_Write 1.2.10
        {0x110F, "03 00", "", false},
        {0x120A, "03 00", "1.2.10 > 1.1.250: 03 40 07 05"},
        {0x110D, "03 00", "1.1.13 > 1.1.250: 03 40 00 12"},  // out of programming mode, kept its address
        // Over a connection, A_Restart: acknowledged, then the device forgets the connection and
        // leaves programming mode.
        {0x120A, "80", ""},
        {0x120A, "43 80", "1.2.10 > 1.1.250: C2"},
        {0x120A, "47 00", "1.2.10 > 1.1.250: 81"},
        {kBroadcast, "01 00", "", true, true},
    });
}

}  // namespace
}  // namespace lintor::bcusim
