#include "link/ft12.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/bytes.h"

namespace lintor {
namespace {

using test::bytes;
using test::concat;
using test::hex;
using Kind = ft12::Receiver::EventKind;

struct Seen {
    Kind kind;
    std::string bytes;
    size_t at;  // index of the byte that caused the event
    friend bool operator==(const Seen&, const Seen&) = default;
};

void PrintTo(const Seen& s, std::ostream* os) { *os << int(s.kind) << " [" << s.bytes << "] @" << s.at; }

std::vector<Seen> feed(ft12::Receiver& rx, const std::vector<uint8_t>& stream) {
    std::vector<Seen> seen;
    for (size_t i = 0; i < stream.size(); ++i) {
        if (auto e = rx.push(stream[i])) seen.push_back({e->kind, hex(e->bytes), i});
    }
    return seen;
}

std::vector<Seen> feed(const std::vector<uint8_t>& stream) {
    ft12::Receiver rx;
    return feed(rx, stream);
}

// 73 + 29 + BC + 11 + 01 + 0A + 03 + E1 + 00 + 81 = 0x2D9
const std::string kGroupWrite = "68 0A 0A 68 73 29 BC 11 01 0A 03 E1 00 81 D9 16";

TEST(Ft12Receiver, AcknowledgesAtHeaderAndHandsOnWholeFrame) {
    const auto seen = feed(bytes(kGroupWrite));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], (Seen{Kind::HeaderComplete, "68 0A 0A 68", 3}));
    EXPECT_EQ(seen[1], (Seen{Kind::Frame, kGroupWrite, 15}));
}

TEST(Ft12Receiver, LoneAcknowledgementsOnlyAtStartOfCollection) {
    EXPECT_EQ(feed(bytes("E5 E5")), (std::vector<Seen>{{Kind::AckReceived, "", 0}, {Kind::AckReceived, "", 1}}));

    // Inside a frame, and after a stray byte, 0xE5 is data.
    const auto inFrame = feed(bytes("68 03 03 68 73 E5 E5 3D 16"));
    ASSERT_EQ(inFrame.size(), 2u);
    EXPECT_EQ(inFrame[1].kind, Kind::Frame);
    EXPECT_EQ(feed(bytes("00 E5 16")), (std::vector<Seen>{{Kind::Dropped, "00 E5 16", 2}}));
}

TEST(Ft12Receiver, EndByteInsideDataDoesNotEndFrame) {
    const std::string frame = "68 04 04 68 73 16 16 16 B5 16";
    const auto seen = feed(bytes(frame));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], (Seen{Kind::Frame, frame, 9}));
}

TEST(Ft12Receiver, FrameWithLengthSixteenHexIsReceived) {
    // L = 0x16: the length bytes must not be taken for end bytes.
    std::string frame = "68 16 16 68 73";
    for (int i = 0; i < 0x15; ++i) frame += " 00";
    frame += " 73 16";
    const auto seen = feed(bytes(frame));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].kind, Kind::HeaderComplete);
    EXPECT_EQ(seen[1], (Seen{Kind::Frame, frame, 0x16 + 5}));
}

TEST(Ft12Receiver, DamagedFramesAreAcknowledgedButNotHandedOnAndTheNextOneIs) {
    // 73 + 41 = B4
    const std::string next = "68 02 02 68 73 41 B4 16";
    struct Case {
        const char* name;
        std::string damaged;
        Kind kind;
    };
    for (const Case& c : {
             // Byte 9 should be 0x16: decided there, so the next frame is not swallowed.
             Case{"end byte missing", "68 03 03 68 73 01 02 76 AA", Kind::BadEndByte},
             Case{"checksum one off", "68 03 03 68 73 01 02 77 16", Kind::BadChecksum},
             Case{"data byte flipped", "68 0A 0A 68 73 29 BC 11 01 0A 03 E1 00 80 D9 16", Kind::BadChecksum},
             // The checksum leaves out the header: 68 + 73 + 41 would be 1C.
             Case{"header summed in", "68 02 02 68 73 41 1C 16", Kind::BadChecksum},
         }) {
        SCOPED_TRACE(c.name);
        const auto damaged = bytes(c.damaged);
        const size_t end = damaged.size() - 1;
        EXPECT_EQ(feed(concat(damaged, bytes(next))),
                  (std::vector<Seen>{{Kind::HeaderComplete, "68 " + c.damaged.substr(3, 8), 3},
                                     {c.kind, c.damaged, end},
                                     {Kind::HeaderComplete, "68 02 02 68", end + 4},
                                     {Kind::Frame, next, end + 8}}));
    }
}

TEST(Ft12Receiver, StrayHeaderFragmentDoesNotSwallowTheNextFrame) {
    struct Case {
        const char* fragment;
        size_t endsAt;
    };
    for (const Case& c :
         {Case{"68 05 16", 2}, Case{"68 0A 0A 16", 3}, Case{"68 16 16 16", 3}, Case{"68 16 05 16", 3}}) {
        SCOPED_TRACE(c.fragment);
        const auto fragment = bytes(c.fragment);
        const auto seen = feed(concat(fragment, bytes(kGroupWrite)));
        const size_t frameEnd = fragment.size() + 15;
        EXPECT_EQ(seen, (std::vector<Seen>{{Kind::Dropped, c.fragment, c.endsAt},
                                           {Kind::HeaderComplete, "68 0A 0A 68", fragment.size() + 3},
                                           {Kind::Frame, kGroupWrite, frameEnd}}));
    }
}

TEST(Ft12Receiver, FixedFramesAndStrayBytesAreDroppedWithoutAcknowledgement) {
    // Status requests and their answers (10 49 49 16, 10 0B 0B 16) mean
    // nothing to the gateway.
    EXPECT_EQ(feed(bytes("10 49 49 16")), (std::vector<Seen>{{Kind::Dropped, "10 49 49 16", 3}}));
    EXPECT_EQ(feed(bytes("10 0B 0B 16")), (std::vector<Seen>{{Kind::Dropped, "10 0B 0B 16", 3}}));
    EXPECT_EQ(feed(bytes("16")), (std::vector<Seen>{{Kind::Dropped, "16", 0}}));
    // A collection that starts with 0x68 but whose header does not hold ends
    // at the next 0x68, which may begin a frame.
    EXPECT_EQ(feed(bytes("68 05 06 68 16")), (std::vector<Seen>{{Kind::Dropped, "68 05 06", 3}}));
}

TEST(Ft12Receiver, NoiseBeforeAFrameDoesNotSwallowIt) {
    for (const std::string noise : {"00", "68 05", "10 40", "68 0A 0A 00 00 00"}) {
        SCOPED_TRACE(noise);
        const auto before = bytes(noise);
        const size_t at = before.size();
        EXPECT_EQ(feed(concat(before, bytes(kGroupWrite))),
                  (std::vector<Seen>{{Kind::Dropped, noise, at},
                                     {Kind::HeaderComplete, "68 0A 0A 68", at + 3},
                                     {Kind::Frame, kGroupWrite, at + 15}}));
    }
}

TEST(Ft12Receiver, ResetFromTheBcuIsRecognisedEvenAfterNoise) {
    EXPECT_EQ(feed(bytes("10 40 40 16")), (std::vector<Seen>{{Kind::ResetReceived, "10 40 40 16", 3}}));
    EXPECT_EQ(feed(bytes("00 7F 10 40 40 16")), (std::vector<Seen>{{Kind::ResetReceived, "00 7F 10 40 40 16", 5}}));
    // Inside a frame the same bytes are data: 73 + 29 + 10 + 40 + 40 + 16 = 0x142.
    EXPECT_EQ(feed(bytes("68 06 06 68 73 29 10 40 40 16 42 16")),
              (std::vector<Seen>{{Kind::HeaderComplete, "68 06 06 68", 3},
                                 {Kind::Frame, "68 06 06 68 73 29 10 40 40 16 42 16", 11}}));
    // Only the whole frame counts.
    EXPECT_EQ(feed(bytes("10 40 16")), (std::vector<Seen>{{Kind::Dropped, "10 40 16", 2}}));
}

TEST(Ft12Receiver, ReceiverRecoversAfterDroppedCollection) {
    const auto seen = feed(concat(bytes("10 49 49 16"), bytes(kGroupWrite)));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].kind, Kind::Frame);
    EXPECT_EQ(seen[2].bytes, kGroupWrite);
}

TEST(Ft12Receiver, OverflowRestartsWithoutWritingBeyondBuffer) {
    std::vector<uint8_t> junk(ft12::RX_BUFFER_SIZE, 0x00);
    ft12::Receiver rx;
    const auto seen = feed(rx, junk);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, Kind::Overflow);
    EXPECT_EQ(seen[0].at, ft12::RX_BUFFER_SIZE - 1);
    EXPECT_EQ(feed(rx, bytes("E5")), (std::vector<Seen>{{Kind::AckReceived, "", 0}}));

    // A header whose frame cannot fit is acknowledged, then dropped at the limit.
    std::vector<uint8_t> tooLong = bytes("68 FF FF 68");
    tooLong.resize(300, 0x16);
    const auto big = feed(tooLong);
    ASSERT_GE(big.size(), 2u);
    EXPECT_EQ(big[0].kind, Kind::HeaderComplete);
    EXPECT_EQ(big[1].kind, Kind::Overflow);

    // The largest frame that fits, L = 95, is still received.
    std::vector<uint8_t> largest = bytes("68 5F 5F 68 73");
    largest.resize(ft12::RX_BUFFER_SIZE - 2, 0x00);
    largest.push_back(0x73);  // the control byte is the only one that is not 0
    largest.push_back(0x16);
    const auto fits = feed(largest);
    ASSERT_EQ(fits.size(), 2u);
    EXPECT_EQ(fits[1].kind, Kind::Frame);
}

TEST(Ft12Receiver, EverySplitGivesTheSameEvents) {
    const auto stream = concat(concat(bytes("E5 10 40 40 16"), bytes(kGroupWrite)),
                               bytes("E5 68 04 04 68 53 2E B0 00 31 16 68 01 01 68 40 40 16"));
    const auto whole = feed(stream);
    ASSERT_EQ(whole.size(), 9u);
    // The receiver is fed byte by byte anyway; what matters is that state
    // survives any cut between blocks, which a fresh receiver per cut would not.
    for (size_t cut = 1; cut < stream.size(); ++cut) {
        ft12::Receiver rx;
        auto first = feed(rx, std::vector<uint8_t>(stream.begin(), stream.begin() + static_cast<long>(cut)));
        auto second = feed(rx, std::vector<uint8_t>(stream.begin() + static_cast<long>(cut), stream.end()));
        for (auto& s : second) s.at += cut;
        first.insert(first.end(), second.begin(), second.end());
        EXPECT_EQ(first, whole) << "cut at " << cut;
    }
}

TEST(Ft12Encoder, FramesMatchKnownBytes) {
    struct Case {
        const char* name;
        std::string message;
        uint8_t sendCount;
        std::string frame;
    };
    for (const Case& c : {
             Case{"one byte, odd count", "41", 1, "68 02 02 68 73 41 B4 16"},
             Case{"one byte, even count", "41", 2, "68 02 02 68 53 41 94 16"},
             Case{"group write 1/2/3 = 1", "11 0C 11 FF 0A 03 E1 00 81", 1,
                  "68 0A 0A 68 73 11 0C 11 FF 0A 03 E1 00 81 0F 16"},
             Case{"group write, even count", "11 0C 11 FF 0A 03 E1 00 81", 2,
                  "68 0A 0A 68 53 11 0C 11 FF 0A 03 E1 00 81 EF 16"},
             Case{"checksum wraps", "FF FF", 3, "68 03 03 68 73 FF FF 71 16"},
         }) {
        SCOPED_TRACE(c.name);
        const auto message = bytes(c.message);
        EXPECT_EQ(hex(ft12::encodeVariableFrame(ft12::sendControlByte(c.sendCount), message).view()), c.frame);
    }
}

TEST(Ft12ResetFrame, FoundAmongRawBytesButNotInsideAFrame) {
    struct Case {
        const char* bytes;
        bool reset;
    };
    for (const Case& c : {
             Case{"10 40 40 16", true},
             Case{"E5 10 40 40 16", true},
             Case{"10 7B 7B 16 10 40 40 16", true},
             Case{"68 06 06 68 73 10 40 40 16 29 16", false},  // frame data
             Case{"10 7B 7B 16", false},
             Case{"10 40 40", false},
             Case{"", false},
         }) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(ft12::containsResetFrame(bytes(c.bytes)), c.reset);
    }
}

TEST(Ft12Encoder, LargestMessageFillsFrameBuffer) {
    const std::vector<uint8_t> message(ft12::MAX_EMI_MESSAGE, 0x01);
    const auto frame = ft12::encodeVariableFrame(0x73, message);
    EXPECT_EQ(frame.size, ft12::FRAME_BUFFER_SIZE);
    EXPECT_EQ(frame.bytes[1], 26);
    EXPECT_EQ(frame.bytes[ft12::FRAME_BUFFER_SIZE - 2], static_cast<uint8_t>(0x73 + 25));
    EXPECT_EQ(frame.bytes[ft12::FRAME_BUFFER_SIZE - 1], 0x16);
}

}  // namespace
}  // namespace lintor
