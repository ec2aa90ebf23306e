// The simulator's own FT1.2, against frames worked out by hand.
#include "tools/bcusim/frame_codec.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "tests/support/bytes.h"

namespace lintor::bcusim::framing {
namespace {

using test::bytes;
using test::hex;

TEST(FrameCodec, EncodesKnownFrames) {
    // 73 + 29 + BC + 11 + 01 + 0A + 03 + E1 + 00 + 81 = 2D9
    EXPECT_EQ(hex(variableFrame(0x73, bytes("29 BC 11 01 0A 03 E1 00 81"))),
              "68 0A 0A 68 73 29 BC 11 01 0A 03 E1 00 81 D9 16");
    // D3 + FF + FF = 2D1
    EXPECT_EQ(hex(variableFrame(SEND_USER_DATA_CONTROL | FROM_BCU, bytes("FF FF"))), "68 03 03 68 D3 FF FF D1 16");
    EXPECT_EQ(hex(fixedFrame(RESET_CONTROL)), "10 40 40 16");
    EXPECT_EQ(SEND_USER_DATA_CONTROL | FRAME_COUNT_BIT, 0x73);
}

// "frame 68 02 02 68 73 41 B4 16", "garbage 00 E5 damaged"
std::string describe(const Unit& unit) {
    constexpr std::array<const char*, 4> kNames{"ack", "frame", "fixed", "garbage"};
    return std::string(kNames.at(static_cast<size_t>(unit.kind))) + " " + hex(unit.bytes) +
           (unit.intact ? "" : " damaged");
}

TEST(FrameCodec, CutsUnitsOutOfTheStream) {
    // 73 + 41 = B4
    const std::string frame = "68 02 02 68 73 41 B4 16";
    struct Case {
        std::string stream;
        std::vector<std::string> units;
    };
    for (const Case& c : {
             Case{"E5 10 40 40 16 " + frame, {"ack E5", "fixed 10 40 40 16", "frame " + frame}},
             Case{"68 04 04 68 73 16 E5 68 D6 16", {"frame 68 04 04 68 73 16 E5 68 D6 16"}},
             Case{"68 02 02 68 73 41 B5 16", {"frame 68 02 02 68 73 41 B5 16 damaged"}},
             Case{"10 40 41 16", {"fixed 10 40 41 16 damaged"}},
             Case{"00 E5 " + frame, {"garbage 00 E5 damaged", "frame " + frame}},
             Case{"68 02 03 68 E5", {"garbage 68 02 03 68 damaged", "ack E5"}},
         }) {
        SCOPED_TRACE(c.stream);
        UnitCutter cutter;
        std::vector<std::string> units;
        for (const uint8_t byte : bytes(c.stream)) {
            if (const auto unit = cutter.push(byte)) units.push_back(describe(*unit));
        }
        EXPECT_EQ(units, c.units);
    }
}

}  // namespace
}  // namespace lintor::bcusim::framing
