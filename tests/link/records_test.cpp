#include <gtest/gtest.h>

#include "link/bus_message.h"
#include "link/downlink_assembler.h"
#include "tests/support/bytes.h"

namespace lintor {
namespace {

using test::bytes;
using test::hex;

TEST(BusMessage, HeaderIsLittleEndian) {
    EXPECT_EQ(hex(encodeHeader({MSG_BCU_ACK, 0})), "E5 80 00 00");
    EXPECT_EQ(hex(encodeHeader({MSG_DATA_TO_BCU, 9})), "10 80 09 00");
    EXPECT_EQ(hex(encodeHeader({0x1234, 0xABCD})), "34 12 CD AB");
    const auto raw = bytes("F0 FF 3A 00");
    EXPECT_EQ(decodeHeader(std::span<const uint8_t, 4>(raw.data(), 4)), (RecordHeader{MSG_OTHER_FRAME, 58}));
}

TEST(DownlinkAssembler, AnySplitGivesTheSameRecord) {
    const auto record = bytes("10 80 09 00 11 0C 11 FF 0A 03 E1 00 81");
    for (size_t piece = 1; piece <= record.size(); ++piece) {
        SCOPED_TRACE(piece);
        DownlinkAssembler assembler;
        std::span<const uint8_t> rest = record;
        while (!assembler.complete()) {
            ASSERT_FALSE(rest.empty());
            const size_t take = std::min({piece, rest.size(), assembler.bytesWanted()});
            assembler.accept(rest.first(take));
            rest = rest.subspan(take);
        }
        EXPECT_TRUE(rest.empty());
        EXPECT_EQ(assembler.header(), (RecordHeader{MSG_DATA_TO_BCU, 9}));
        EXPECT_EQ(hex(assembler.payload()), "11 0C 11 FF 0A 03 E1 00 81");
    }
}

TEST(DownlinkAssembler, OversizedPayloadIsConsumedButNotKept) {
    DownlinkAssembler assembler;
    assembler.accept(bytes("10 80 FF FF"));
    EXPECT_TRUE(assembler.oversized());
    size_t consumed = 0;
    const std::vector<uint8_t> chunk(1000, 0xAA);
    while (!assembler.complete()) {
        const size_t take = std::min(chunk.size(), assembler.bytesWanted());
        assembler.accept(std::span(chunk).first(take));
        consumed += take;
    }
    EXPECT_EQ(consumed, 0xFFFFu);
    EXPECT_TRUE(assembler.payload().empty());
    assembler.clear();
    EXPECT_EQ(assembler.bytesWanted(), 4u);
}

TEST(DownlinkAssembler, EmptyPayloadCompletesWithHeader) {
    DownlinkAssembler assembler;
    assembler.accept(bytes("00 80 00 00"));
    EXPECT_TRUE(assembler.complete());
    EXPECT_TRUE(assembler.payload().empty());
}

}  // namespace
}  // namespace lintor
