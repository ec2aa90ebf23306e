#include "link/serial_link.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "link/bus_message.h"
#include "tests/support/bytes.h"
#include "tests/support/link_fakes.h"
#include "tests/support/serial_link_seam.h"

namespace lintor {
namespace {

using test::bytes;
using test::hex;

const char* const kGroupWriteRecord = "10 80 09 00 11 0C 11 FF 0A 03 E1 00 81";
const char* const kGroupWriteFrameOdd = "68 0A 0A 68 73 11 0C 11 FF 0A 03 E1 00 81 0F 16";
const char* const kGroupWriteFrameEven = "68 0A 0A 68 53 11 0C 11 FF 0A 03 E1 00 81 EF 16";

class SerialLinkTest : public testing::Test {
protected:
    SerialLinkTest() { worker.openPort(); }

    std::vector<std::string> portWrites() const {
        std::vector<std::string> out;
        for (const auto& w : opener.device->writes) out.push_back(hex(w));
        return out;
    }
    std::string readRecord(size_t count) {
        std::vector<uint8_t> buffer(count + 8);
        const size_t n = link.readUplink(std::span(buffer).first(count));
        buffer.resize(n);
        return hex(buffer);
    }
    bool writeDownlink(const std::string& record) { return link.writeDownlink(bytes(record)); }

    test::RecordingLinkEvents poster;
    test::RecordingOpener opener;
    SerialLink link{poster, opener, "/dev/ttyS0"};
    SerialLinkSeam worker{link};
};

TEST_F(SerialLinkTest, ReceivedFrameIsAcknowledgedAtHeaderAndBecomesRecord) {
    const auto frame = bytes("68 0A 0A 68 73 29 BC 11 01 0A 03 E1 00 81 D9 16");
    worker.receiveBytes(std::span(frame).first(4));
    EXPECT_EQ(portWrites(), std::vector<std::string>{"E5"});
    EXPECT_EQ(link.ackSentCount(), 1);
    EXPECT_EQ(link.portWriteCount(), 1);
    EXPECT_TRUE(poster.posts().empty());

    worker.receiveBytes(std::span(frame).subspan(4));
    ASSERT_EQ(poster.posts().size(), 1u);
    EXPECT_EQ(poster.posts()[0], (PostedMessage{WM_BUS_MESSAGE, 14, 0}));
    EXPECT_EQ(readRecord(14), "02 10 0A 00 BC 11 01 0A 03 E1 00 81 D9 16");
    EXPECT_EQ(link.ackSentCount(), 1);
}

TEST_F(SerialLinkTest, LoneAcknowledgementsBecomeBcuAckRecords) {
    worker.receiveBytes(bytes("E5 E5"));
    EXPECT_EQ(link.ackReceivedCount(), 2);
    EXPECT_TRUE(worker.takeAckSignal());
    EXPECT_FALSE(worker.takeAckSignal());
    ASSERT_EQ(poster.posts().size(), 2u);
    EXPECT_EQ(poster.posts()[1], (PostedMessage{WM_BUS_MESSAGE, 4, 0}));
    EXPECT_EQ(readRecord(8), "E5 80 00 00 E5 80 00 00");
    EXPECT_TRUE(portWrites().empty());
}

TEST_F(SerialLinkTest, RepeatedFramesAreCountedAndStillForwarded) {
    const auto frame = bytes("68 0A 0A 68 73 29 BC 11 01 0A 03 E1 00 81 D9 16");
    for (int i = 0; i < 3; ++i) worker.receiveBytes(frame);
    EXPECT_EQ(link.duplicateCount(), 2);
    EXPECT_EQ(poster.posts().size(), 3u);
}

TEST_F(SerialLinkTest, DroppedInputGivesNoRecordAndNoAcknowledgement) {
    worker.receiveBytes(bytes("10 49 49 16 00 01 16"));
    std::vector<uint8_t> tooLong = bytes("68 3B 3B 68 73 29 BC");
    tooLong.resize(63, 0x00);
    tooLong.push_back(0x58);  // 73 + 29 + BC
    tooLong.push_back(0x16);
    worker.receiveBytes(tooLong);  // acknowledged at its header, then too long to classify
    EXPECT_TRUE(poster.posts().empty());
    EXPECT_EQ(link.ackSentCount(), 1);
}

TEST_F(SerialLinkTest, ResetFromTheBcuIsAcknowledgedAndAnnounced) {
    worker.receiveBytes(bytes("10 40 40 16"));
    EXPECT_EQ(portWrites(), std::vector<std::string>{"E5"});
    EXPECT_EQ(link.ackSentCount(), 1);
    EXPECT_EQ(poster.posts(), (std::vector<PostedMessage>{{WM_BCU_RESET, 0, 0}}));
    // No record for the clients: the reset is the link's business.
    EXPECT_EQ(readRecord(4), "");
}

TEST_F(SerialLinkTest, DamagedFrameIsAcknowledgedButReachesNoClient) {
    // The last data byte was 81 when the checksum was made.
    worker.receiveBytes(bytes("68 0A 0A 68 73 29 BC 11 01 0A 03 E1 00 01 D9 16"));
    EXPECT_EQ(link.ackSentCount(), 1);
    EXPECT_TRUE(poster.posts().empty());
    // Nor does it become the basis of the duplicate test.
    worker.receiveBytes(bytes("68 0A 0A 68 73 29 BC 11 01 0A 03 E1 00 01 59 16"));
    EXPECT_EQ(link.duplicateCount(), 0);
    EXPECT_EQ(poster.posts().size(), 1u);
}

TEST_F(SerialLinkTest, DataRecordsAreFramedWithAlternatingControlByte) {
    ASSERT_TRUE(writeDownlink(kGroupWriteRecord));
    ASSERT_TRUE(writeDownlink(kGroupWriteRecord));
    EXPECT_TRUE(worker.takeDownlinkRecord());
    EXPECT_TRUE(worker.takeDownlinkRecord());
    EXPECT_FALSE(worker.takeDownlinkRecord());
    EXPECT_EQ(portWrites(), (std::vector<std::string>{kGroupWriteFrameOdd, kGroupWriteFrameEven}));
    EXPECT_EQ(link.portWriteCount(), 2);
}

TEST_F(SerialLinkTest, RawRecordsGoToPortUnchanged) {
    ASSERT_TRUE(writeDownlink("00 80 04 00 10 40 40 17"));
    ASSERT_TRUE(writeDownlink("00 80 00 00"));
    EXPECT_TRUE(worker.takeDownlinkRecord());
    EXPECT_TRUE(worker.takeDownlinkRecord());
    EXPECT_EQ(portWrites(), (std::vector<std::string>{"10 40 40 17", ""}));
    // Raw records do not advance the frame count.
    ASSERT_TRUE(writeDownlink(kGroupWriteRecord));
    EXPECT_TRUE(worker.takeDownlinkRecord());
    EXPECT_EQ(portWrites().back(), kGroupWriteFrameOdd);
}

TEST_F(SerialLinkTest, EveryResetOfTheLinkRestartsTheFrameCount) {
    // Frame, client's raw reset, frame, frame, other raw bytes, frame, a reset
    // among other raw bytes, frame.
    for (const char* record :
         {kGroupWriteRecord, "00 80 04 00 10 40 40 16", kGroupWriteRecord, kGroupWriteRecord, "00 80 02 00 E5 E5",
          kGroupWriteRecord, "00 80 05 00 E5 10 40 40 16", kGroupWriteRecord}) {
        ASSERT_TRUE(writeDownlink(record));
        ASSERT_TRUE(worker.takeDownlinkRecord());
    }
    EXPECT_EQ(portWrites(),
              (std::vector<std::string>{kGroupWriteFrameOdd, "10 40 40 16", kGroupWriteFrameOdd, kGroupWriteFrameEven,
                                        "E5 E5", kGroupWriteFrameOdd, "E5 10 40 40 16", kGroupWriteFrameOdd}));
}

TEST_F(SerialLinkTest, RecordsThatCannotBeSentAreConsumedWholeAndCountAsTaken) {
    struct Case {
        const char* name;
        std::string record;
    };
    std::string oversized = "10 80 21 00";  // 33-byte payload
    for (int i = 0; i < 33; ++i) oversized += " 11";
    std::string oversizedRaw = "00 80 00 01";  // 256-byte payload
    for (int i = 0; i < 256; ++i) oversizedRaw += " 16";
    std::string longMessage = "10 80 1A 00";  // 26 bytes: more than a frame holds
    for (int i = 0; i < 26; ++i) longMessage += " 11";
    for (const Case& c : {
             Case{"unknown type", "34 12 03 00 01 02 03"},
             Case{"empty data record", "10 80 00 00"},
             Case{"message too long to frame", longMessage},
             Case{"data payload above 32 bytes", oversized},
             Case{"raw payload above 32 bytes", oversizedRaw},
         }) {
        SCOPED_TRACE(c.name);
        opener.device->writes.clear();
        ASSERT_TRUE(writeDownlink(c.record));
        ASSERT_TRUE(writeDownlink(kGroupWriteRecord));
        EXPECT_TRUE(worker.takeDownlinkRecord());
        EXPECT_TRUE(portWrites().empty());
        // The next record starts on its boundary.
        EXPECT_TRUE(worker.takeDownlinkRecord());
        ASSERT_EQ(portWrites().size(), 1u);
        EXPECT_EQ(portWrites()[0].substr(0, 11), "68 0A 0A 68");
        EXPECT_EQ(portWrites()[0].substr(15, 26), "11 0C 11 FF 0A 03 E1 00 81");
    }
}

TEST_F(SerialLinkTest, PartialRecordIsTakenOnlyOnceComplete) {
    const auto record = bytes(kGroupWriteRecord);
    for (size_t cut : {1u, 3u, 4u, 12u}) {
        SCOPED_TRACE(cut);
        opener.device->writes.clear();
        ASSERT_TRUE(link.writeDownlink(std::span(record).first(cut)));
        EXPECT_FALSE(worker.takeDownlinkRecord());
        EXPECT_FALSE(worker.takeDownlinkRecord());
        ASSERT_TRUE(link.writeDownlink(std::span(record).subspan(cut)));
        EXPECT_TRUE(worker.takeDownlinkRecord());
        EXPECT_EQ(portWrites().size(), 1u);
    }
}

TEST_F(SerialLinkTest, WriteTimeoutGrowsWithLengthUpToFiveSeconds) {
    worker.sendAck();
    worker.writeToPort(std::vector<uint8_t>(20));
    worker.writeToPort(std::vector<uint8_t>(1000));
    const auto& t = opener.device->timeouts;
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].count(), 110);
    EXPECT_EQ(t[1].count(), 300);
    EXPECT_EQ(t[2].count(), 5000);
}

TEST_F(SerialLinkTest, FailedWritesAreReportedAndCounted) {
    opener.device->failWrites = true;
    EXPECT_FALSE(worker.sendAck());
    EXPECT_EQ(link.portWriteCount(), 1);
}

TEST(SerialLinkWithoutPort, WritesAreCountedButFail) {
    test::RecordingLinkEvents poster;
    test::RecordingOpener opener;
    SerialLink link(poster, opener, "/dev/ttyS0");
    SerialLinkSeam worker(link);
    worker.receiveBytes(bytes("68 0A 0A 68"));
    EXPECT_FALSE(worker.sendEmiFrame(bytes("41")));
    EXPECT_EQ(link.portWriteCount(), 2);
    EXPECT_EQ(link.ackSentCount(), 1);
    EXPECT_TRUE(opener.device->writes.empty());
}

TEST(SerialLinkPipes, FullUplinkDropsRecordsWithoutAnnouncingThem) {
    test::RecordingLinkEvents poster;
    test::RecordingOpener opener;
    SerialLink link(poster, opener, "/dev/ttyS0");
    SerialLinkSeam worker(link);
    // Far more acknowledgements than the pipe holds; nobody reads.
    for (int i = 0; i < 40000; ++i) worker.receiveByte(0xE5);
    const size_t announced = poster.posts().size();
    EXPECT_LT(announced, 40000u);
    size_t inPipe = 0;
    std::array<uint8_t, 4096> buffer;
    while (size_t n = link.readUplink(buffer)) inPipe += n;
    EXPECT_EQ(inPipe, announced * 4);
}

TEST(SerialLinkPipes, FullDownlinkRefusesWithoutBlocking) {
    test::RecordingLinkEvents poster;
    test::RecordingOpener opener;
    SerialLink link(poster, opener, "/dev/ttyS0");
    SerialLinkSeam worker(link);
    const auto record = bytes(kGroupWriteRecord);
    int accepted = 0;
    while (link.writeDownlink(record) && accepted < 1'000'000) ++accepted;
    EXPECT_GT(accepted, 100);
    EXPECT_LT(accepted, 1'000'000);
    // Records are never cut: everything accepted is taken whole.
    int taken = 0;
    while (worker.takeDownlinkRecord()) ++taken;
    EXPECT_EQ(taken, accepted);
    EXPECT_FALSE(link.writeDownlink(std::vector<uint8_t>(PIPE_BUF + 1)));
}

TEST(SerialLinkOpen, NoDeviceOrAFailedOpenLeavesThePortClosed) {
    test::RecordingLinkEvents poster;
    {
        test::RecordingOpener opener;
        SerialLink link(poster, opener, "");
        SerialLinkSeam worker(link);
        EXPECT_FALSE(worker.openPort());
        EXPECT_TRUE(opener.openedPaths.empty());
        EXPECT_FALSE(worker.portOpen());
    }
    test::RecordingOpener opener;
    opener.failWith = ENOENT;
    SerialLink link(poster, opener, "/dev/ttyUSB3");
    SerialLinkSeam worker(link);
    EXPECT_FALSE(worker.openPort());
    EXPECT_EQ(opener.openedPaths, std::vector<std::string>{"/dev/ttyUSB3"});
    EXPECT_FALSE(worker.portOpen());
}

}  // namespace
}  // namespace lintor
