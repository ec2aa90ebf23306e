#include "tools/bcusim/host_stream.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/bytes.h"

namespace lintor::bcusim {
namespace {

using test::bytes;
using test::hex;

struct Seen {
    HostUnitKind kind;
    std::string bytes;
    bool wellFormed;
    friend bool operator==(const Seen&, const Seen&) = default;
};

void PrintTo(const Seen& s, std::ostream* os) {
    *os << static_cast<int>(s.kind) << " [" << s.bytes << "] " << (s.wellFormed ? "good" : "bad");
}

std::vector<Seen> feed(const std::string& stream) {
    HostStream host;
    std::vector<Seen> seen;
    for (const uint8_t byte : bytes(stream)) {
        if (auto unit = host.push(byte, {})) seen.push_back({unit->kind, hex(unit->bytes), unit->wellFormed});
    }
    return seen;
}

using Kind = HostUnitKind;

TEST(HostStream, CutsAndJudgesUnits) {
    struct Case {
        const char* name;
        std::string stream;
        Seen unit;
    };
    const std::string peiSwitch = "68 08 08 68 73 A9 96 18 34 56 78 0A D6 16";
    const std::string setValue = "68 06 06 68 53 A6 01 01 16 00 11 16";  // 0x16 among the data
    for (const Case& c : {
             Case{"acknowledgement", "E5", {Kind::Ack, "E5", true}},
             Case{"reset", "10 40 40 16", {Kind::FixedFrame, "10 40 40 16", true}},
             Case{"fixed, bad checksum", "10 40 41 16", {Kind::FixedFrame, "10 40 41 16", false}},
             Case{"variable", peiSwitch, {Kind::VariableFrame, peiSwitch, true}},
             Case{"end byte in data", setValue, {Kind::VariableFrame, setValue, true}},
             Case{"bad checksum",
                  "68 08 08 68 73 A9 96 18 34 56 78 0A D7 16",
                  {Kind::VariableFrame, "68 08 08 68 73 A9 96 18 34 56 78 0A D7 16", false}},
             Case{"no end byte where due",
                  "68 02 02 68 73 A9 1C 00",
                  {Kind::VariableFrame, "68 02 02 68 73 A9 1C 00", false}},
             Case{"empty frame", "68 00 00 68 00 16", {Kind::VariableFrame, "68 00 00 68 00 16", false}},
             Case{"stray bytes", "00 01 16", {Kind::Garbage, "00 01 16", false}},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(feed(c.stream), std::vector<Seen>{c.unit});
    }
}

TEST(HostStream, UnitsFollowEachOther) {
    const auto seen = feed("10 40 40 16 E5 68 02 02 68 73 A9 1C 16 E5");
    EXPECT_EQ(seen, (std::vector<Seen>{{Kind::FixedFrame, "10 40 40 16", true},
                                       {Kind::Ack, "E5", true},
                                       {Kind::VariableFrame, "68 02 02 68 73 A9 1C 16", true},
                                       {Kind::Ack, "E5", true}}));
}

TEST(HostStream, MessageOfAVariableFrameLiesBetweenControlAndChecksum) {
    HostUnit frame{HostUnitKind::VariableFrame, bytes("68 08 08 68 73 A9 96 18 34 56 78 0A D6 16"), true, {}};
    EXPECT_EQ(hex(emiMessageOf(frame)), "A9 96 18 34 56 78 0A");
    HostUnit fixed{HostUnitKind::FixedFrame, bytes("10 40 40 16"), true, {}};
    EXPECT_EQ(hex(emiMessageOf(fixed)), "");
}

}  // namespace
}  // namespace lintor::bcusim
