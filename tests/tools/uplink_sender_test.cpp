#include "tools/bcusim/uplink_sender.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/bytes.h"

namespace lintor::bcusim {
namespace {

using std::chrono::milliseconds;
using test::bytes;
using test::hex;
using Clock = UplinkSender::Clock;

const Clock::time_point t0{};
const std::vector<uint8_t> kSwitchOn = bytes("29 BC 11 01 0A 03 E1 00 81");
const std::vector<uint8_t> kSwitchOff = bytes("29 BC 11 01 0A 03 E1 00 80");
// The message bytes sum to 0x66 (on) and 0x65 (off); the checksum adds the
// control byte.
const std::string kOnF3 = "68 0A 0A 68 F3 29 BC 11 01 0A 03 E1 00 81 59 16";
const std::string kOffD3 = "68 0A 0A 68 D3 29 BC 11 01 0A 03 E1 00 80 38 16";
const std::string kOnD3 = "68 0A 0A 68 D3 29 BC 11 01 0A 03 E1 00 81 39 16";
const std::string kOffF3 = "68 0A 0A 68 F3 29 BC 11 01 0A 03 E1 00 80 58 16";

UplinkSender::Settings settings() { return {milliseconds{1000}, 2, 4}; }

std::string take(UplinkSender& sender) {
    const auto transmission = sender.takeTransmission();
    return transmission ? hex(transmission->bytes) : "nothing";
}

TEST(UplinkSender, NewFramesAlternateTheFrameCountBitStartingSet) {
    UplinkSender sender(settings());
    for (const auto* message : {&kSwitchOn, &kSwitchOff, &kSwitchOn, &kSwitchOff}) sender.enqueue(*message);
    for (const std::string& expected : {kOnF3, kOffD3, kOnF3, kOffD3}) {
        EXPECT_EQ(take(sender), expected);
        sender.transmissionWritten(t0);
        EXPECT_TRUE(sender.acknowledge());
    }
    EXPECT_TRUE(sender.idle());
}

TEST(UplinkSender, NextFrameWaitsForTheAcknowledgement) {
    UplinkSender sender(settings());
    sender.enqueue(kSwitchOn);
    sender.enqueue(kSwitchOff);
    EXPECT_EQ(take(sender), kOnF3);
    sender.transmissionWritten(t0);
    EXPECT_EQ(take(sender), "nothing");
    EXPECT_TRUE(sender.acknowledge());
    EXPECT_EQ(take(sender), kOffD3);
    sender.transmissionWritten(t0);
    EXPECT_TRUE(sender.acknowledge());
    EXPECT_FALSE(sender.acknowledge()) << "nothing left to acknowledge";
}

TEST(UplinkSender, AcknowledgementBeforeTheEndOfTheFrameLetsTheNextWaitForTheEnd) {
    UplinkSender sender(settings());
    sender.enqueue(kSwitchOn);
    sender.enqueue(kSwitchOff);
    EXPECT_EQ(take(sender), kOnF3);
    EXPECT_TRUE(sender.acknowledge());  // the host acknowledges at the header
    EXPECT_EQ(take(sender), "nothing") << "the line is still busy with the first frame";
    sender.transmissionWritten(t0);
    EXPECT_EQ(take(sender), kOffD3);
}

TEST(UplinkSender, RepeatsTwiceWithTheSameBytesThenGivesUp) {
    UplinkSender sender(settings());
    sender.enqueue(kSwitchOn);
    sender.enqueue(kSwitchOff);
    EXPECT_EQ(take(sender), kOnF3);
    EXPECT_FALSE(sender.deadline()) << "the time-out starts when the frame is on the line";
    sender.transmissionWritten(t0);
    ASSERT_EQ(sender.deadline(), t0 + milliseconds{1000});

    EXPECT_FALSE(sender.checkTimeout(t0 + milliseconds{999}));
    EXPECT_EQ(sender.checkTimeout(t0 + milliseconds{1000}), UplinkSender::Timeout::Repeat);
    auto repeat = sender.takeTransmission();
    ASSERT_TRUE(repeat);
    EXPECT_TRUE(repeat->repeat);
    EXPECT_EQ(hex(repeat->bytes), kOnF3);
    sender.transmissionWritten(t0 + milliseconds{1010});
    EXPECT_EQ(sender.deadline(), t0 + milliseconds{2010});

    EXPECT_EQ(sender.checkTimeout(t0 + milliseconds{2010}), UplinkSender::Timeout::Repeat);
    EXPECT_EQ(take(sender), kOnF3);
    sender.transmissionWritten(t0 + milliseconds{2020});
    EXPECT_EQ(sender.checkTimeout(t0 + milliseconds{3020}), UplinkSender::Timeout::GiveUp);

    // A new frame, so the frame count bit moves on.
    EXPECT_EQ(take(sender), kOffD3);
}

TEST(UplinkSender, AcknowledgedFrameIsNotRepeated) {
    UplinkSender sender(settings());
    sender.enqueue(kSwitchOn);
    EXPECT_EQ(take(sender), kOnF3);
    sender.transmissionWritten(t0);
    EXPECT_TRUE(sender.acknowledge());
    EXPECT_FALSE(sender.deadline());
    EXPECT_FALSE(sender.checkTimeout(t0 + milliseconds{5000}));
    EXPECT_EQ(take(sender), "nothing");
}

TEST(UplinkSender, DuplicatedFramesGoBackToBackAndNeedAnAcknowledgementEach) {
    UplinkSender sender(settings());
    sender.setDuplicates(true);
    sender.enqueue(kSwitchOn);
    sender.enqueue(kSwitchOff);
    EXPECT_EQ(take(sender), kOnF3 + " " + kOnF3);
    sender.transmissionWritten(t0);
    EXPECT_TRUE(sender.acknowledge());
    EXPECT_EQ(take(sender), "nothing");
    EXPECT_TRUE(sender.acknowledge());
    EXPECT_EQ(take(sender), kOffD3 + " " + kOffD3);
}

TEST(UplinkSender, RefusesWhatCannotBeSent) {
    using Result = UplinkSender::EnqueueResult;
    UplinkSender sender(settings());
    EXPECT_EQ(sender.enqueue({}), Result::WrongSize);
    EXPECT_EQ(sender.enqueue(std::vector<uint8_t>(26, 0x29)), Result::WrongSize) << "26 bytes exceed a frame";
    EXPECT_EQ(sender.enqueue(std::vector<uint8_t>(25, 0x29)), Result::Queued);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(sender.enqueue(kSwitchOn), Result::Queued);
    EXPECT_EQ(sender.enqueue(kSwitchOn), Result::QueueFull) << "queue limit of 4";
    EXPECT_EQ(sender.queued(), 4u);
}

}  // namespace
}  // namespace lintor::bcusim
