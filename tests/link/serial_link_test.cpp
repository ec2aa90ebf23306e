#include "link/serial_link.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "link/bus_message.h"
#include "tests/support/bytes.h"
#include "tests/support/event_loop.h"
#include "tests/support/link_fakes.h"
#include "tests/support/manual_clock.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using test::bytes;
using test::hex;

const char* const kGroupWriteRecord = "10 80 09 00 11 0C 11 FF 0A 03 E1 00 81";
const char* const kGroupWriteFrameOdd = "68 0A 0A 68 73 11 0C 11 FF 0A 03 E1 00 81 0F 16";
const char* const kGroupWriteFrameEven = "68 0A 0A 68 53 11 0C 11 FF 0A 03 E1 00 81 EF 16";

// The link on a line of the test's own, in time of the test's own.
class SerialLinkTest : public testing::Test {
protected:
    SerialLinkTest() { link.start(); }

    std::vector<std::string> portWrites() const {
        std::vector<std::string> out;
        for (const auto& w : opener.device->writes) out.push_back(hex(w));
        return out;
    }
    std::vector<std::string> records() const {
        std::vector<std::string> out;
        for (const auto& r : listener.records) out.push_back(hex(r));
        return out;
    }
    bool send(const std::string& record) { return link.send(bytes(record)); }
    // The BCU takes the last record and the line stays quiet: the next may go.
    void acknowledgeAndWait() {
        link.receiveBytes(bytes("E5"));
        listener.records.clear();
        clock.advance(DownlinkPacer::QUIET_PERIOD);
        loop->runOnce(0ms);
    }

    test::ManualClock clock;
    std::unique_ptr<EventLoop> loop = test::makeLoop(clock);
    test::RecordingLinkListener listener;
    test::RecordingOpener opener;
    SerialLink link{*loop, listener, opener, "/dev/ttyS0"};
};

TEST_F(SerialLinkTest, ReceivedFrameIsAcknowledgedAtHeaderAndBecomesRecord) {
    const auto frame = bytes("68 0A 0A 68 73 29 BC 11 01 0A 03 E1 00 81 D9 16");
    link.receiveBytes(std::span(frame).first(4));
    EXPECT_EQ(portWrites(), std::vector<std::string>{"E5"});
    EXPECT_EQ(link.ackSentCount(), 1);
    EXPECT_EQ(link.portWriteCount(), 1);
    EXPECT_TRUE(listener.records.empty());

    link.receiveBytes(std::span(frame).subspan(4));
    EXPECT_EQ(records(), std::vector<std::string>{"02 10 0A 00 BC 11 01 0A 03 E1 00 81 D9 16"});
    EXPECT_EQ(link.ackSentCount(), 1);
}

TEST_F(SerialLinkTest, LoneAcknowledgementsBecomeBcuAckRecords) {
    link.receiveBytes(bytes("E5 E5"));
    EXPECT_EQ(link.ackReceivedCount(), 2);
    EXPECT_EQ(records(), (std::vector<std::string>{"E5 80 00 00", "E5 80 00 00"}));
    EXPECT_TRUE(portWrites().empty());
}

TEST_F(SerialLinkTest, RepeatedFramesAreCountedAndStillForwarded) {
    const auto frame = bytes("68 0A 0A 68 73 29 BC 11 01 0A 03 E1 00 81 D9 16");
    for (int i = 0; i < 3; ++i) link.receiveBytes(frame);
    EXPECT_EQ(link.duplicateCount(), 2);
    EXPECT_EQ(listener.records.size(), 3u);
}

TEST_F(SerialLinkTest, DroppedInputGivesNoRecordAndNoAcknowledgement) {
    link.receiveBytes(bytes("10 49 49 16 00 01 16"));
    std::vector<uint8_t> tooLong = bytes("68 3B 3B 68 73 29 BC");
    tooLong.resize(63, 0x00);
    tooLong.push_back(0x58);  // 73 + 29 + BC
    tooLong.push_back(0x16);
    link.receiveBytes(tooLong);  // acknowledged at its header, then too long to classify
    EXPECT_TRUE(listener.records.empty());
    EXPECT_EQ(link.ackSentCount(), 1);
}

TEST_F(SerialLinkTest, ResetFromTheBcuIsAcknowledgedAndAnnounced) {
    link.receiveBytes(bytes("10 40 40 16"));
    EXPECT_EQ(portWrites(), std::vector<std::string>{"E5"});
    EXPECT_EQ(link.ackSentCount(), 1);
    EXPECT_EQ(listener.resets, 1);
    // No record for the clients: the reset is the link's business.
    EXPECT_TRUE(listener.records.empty());
}

TEST_F(SerialLinkTest, DamagedFrameIsAcknowledgedButReachesNoClient) {
    // The last data byte was 81 when the checksum was made.
    link.receiveBytes(bytes("68 0A 0A 68 73 29 BC 11 01 0A 03 E1 00 01 D9 16"));
    EXPECT_EQ(link.ackSentCount(), 1);
    EXPECT_TRUE(listener.records.empty());
    // Nor does it become the basis of the duplicate test.
    link.receiveBytes(bytes("68 0A 0A 68 73 29 BC 11 01 0A 03 E1 00 01 59 16"));
    EXPECT_EQ(link.duplicateCount(), 0);
    EXPECT_EQ(listener.records.size(), 1u);
}

TEST_F(SerialLinkTest, DataRecordsAreFramedWithAlternatingControlByte) {
    ASSERT_TRUE(send(kGroupWriteRecord));
    ASSERT_TRUE(send(kGroupWriteRecord));
    EXPECT_EQ(portWrites(), std::vector<std::string>{kGroupWriteFrameOdd}) << "the second waits for the BCU";
    acknowledgeAndWait();
    EXPECT_EQ(portWrites(), (std::vector<std::string>{kGroupWriteFrameOdd, kGroupWriteFrameEven}));
    EXPECT_EQ(link.portWriteCount(), 2);
}

TEST_F(SerialLinkTest, RawRecordsGoToPortUnchanged) {
    ASSERT_TRUE(send("00 80 04 00 10 40 40 17"));
    acknowledgeAndWait();
    ASSERT_TRUE(send("00 80 00 00"));
    acknowledgeAndWait();
    // The empty one is a write of nothing: counted, with nothing on the line.
    EXPECT_EQ(portWrites(), (std::vector<std::string>{"10 40 40 17"}));
    EXPECT_EQ(link.portWriteCount(), 2);
    // Raw records do not advance the frame count.
    ASSERT_TRUE(send(kGroupWriteRecord));
    EXPECT_EQ(portWrites().back(), kGroupWriteFrameOdd);
}

TEST_F(SerialLinkTest, EveryResetOfTheLinkRestartsTheFrameCount) {
    // Frame, client's raw reset, frame, frame, other raw bytes, frame, a reset
    // among other raw bytes, frame.
    for (const char* record :
         {kGroupWriteRecord, "00 80 04 00 10 40 40 16", kGroupWriteRecord, kGroupWriteRecord, "00 80 02 00 E5 E5",
          kGroupWriteRecord, "00 80 05 00 E5 10 40 40 16", kGroupWriteRecord}) {
        ASSERT_TRUE(send(record));
        acknowledgeAndWait();
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
        ASSERT_TRUE(send(c.record));
        ASSERT_TRUE(send(kGroupWriteRecord));
        EXPECT_TRUE(portWrites().empty());
        // It took its turn on the line; the next record comes after it.
        acknowledgeAndWait();
        ASSERT_EQ(portWrites().size(), 1u);
        EXPECT_EQ(portWrites()[0].substr(0, 11), "68 0A 0A 68");
        EXPECT_EQ(portWrites()[0].substr(15, 26), "11 0C 11 FF 0A 03 E1 00 81");
        acknowledgeAndWait();
    }
}

TEST_F(SerialLinkTest, FailedWritesAreReportedAndCounted) {
    opener.device->failWith = EIO;
    link.receiveBytes(bytes("68 0A 0A 68"));
    EXPECT_EQ(link.ackSentCount(), 1);
    EXPECT_EQ(link.portWriteCount(), 1);
    EXPECT_TRUE(portWrites().empty());
}

TEST(SerialLinkWithoutPort, WritesAreCountedButFail) {
    test::ManualClock clock;
    const auto loop = test::makeLoop(clock);
    test::RecordingLinkListener listener;
    test::RecordingOpener opener;
    SerialLink link(*loop, listener, opener, "/dev/ttyS0");
    link.receiveBytes(bytes("68 0A 0A 68"));
    EXPECT_FALSE(link.sendEmiFrame(bytes("41")));
    EXPECT_EQ(link.portWriteCount(), 2);
    EXPECT_EQ(link.ackSentCount(), 1);
    EXPECT_TRUE(opener.device->writes.empty());
}

TEST_F(SerialLinkTest, FullSourceIsRefusedWithoutBlockingAndToldOfRoom) {
    const DownlinkSource client{DownlinkSource::Kind::GatewayClient, 7};
    const auto record = bytes(kGroupWriteRecord);
    // The first goes out at once; the queue behind it fills.
    for (size_t i = 0; i < DownlinkQueues::SOURCE_LIMIT; ++i) EXPECT_EQ(link.send(client, record), Admission::Queued);
    EXPECT_EQ(link.send(client, record), Admission::QueuedNowFull);
    EXPECT_EQ(link.send(client, record), Admission::Refused);
    EXPECT_TRUE(listener.freed.empty());
    acknowledgeAndWait();
    EXPECT_EQ(listener.freed, std::vector<DownlinkSource>{client});
    // Every record accepted goes out whole, in its turn.
    for (size_t i = 0; i < DownlinkQueues::SOURCE_LIMIT; ++i) acknowledgeAndWait();
    EXPECT_EQ(portWrites().size(), DownlinkQueues::SOURCE_LIMIT + 1);
    EXPECT_EQ(link.send(client, std::vector<uint8_t>(SerialLink::DOWNLINK_RECORD_LIMIT + 1)), Admission::Refused);
}

TEST(SerialLinkOpen, NoDeviceOrAFailedOpenLeavesThePortClosed) {
    test::ManualClock clock;
    const auto loop = test::makeLoop(clock);
    test::RecordingLinkListener listener;
    {
        test::RecordingOpener opener;
        SerialLink link(*loop, listener, opener, "");
        EXPECT_FALSE(link.start());
        EXPECT_TRUE(opener.openedPaths.empty());
        EXPECT_EQ(link.state(), LinkState::Down);
    }
    test::RecordingOpener opener;
    opener.failWith = ENOENT;
    SerialLink link(*loop, listener, opener, "/dev/ttyUSB3");
    EXPECT_FALSE(link.start());
    EXPECT_EQ(opener.openedPaths, std::vector<std::string>{"/dev/ttyUSB3"});
    EXPECT_EQ(link.state(), LinkState::Down);
    EXPECT_EQ(listener.downs, 2);
    // Tried again every second, on the loop's clock.
    clock.advance(SerialLink::REOPEN_INTERVAL);
    loop->runOnce(0ms);
    EXPECT_EQ(opener.openedPaths.size(), 2u);
}

TEST(PortWriter, AWriteTheLineDoesNotTakeInTimeIsGivenUp) {
    EXPECT_EQ(writeTimeoutFor(1).count(), 110);
    EXPECT_EQ(writeTimeoutFor(20).count(), 300);
    EXPECT_EQ(writeTimeoutFor(1000).count(), 5000);

    auto shared = std::make_shared<test::RecordingDevice::Shared>();
    test::RecordingDevice device(shared);
    PortWriter writer;
    const auto t0 = PortWriter::Clock::time_point{} + 1h;
    shared->takeNothing = true;
    EXPECT_EQ(writer.write(device, bytes("E5"), t0), PortWriter::Result::Queued);
    EXPECT_EQ(writer.write(device, std::vector<uint8_t>(20, 0x11), t0), PortWriter::Result::Queued);
    EXPECT_EQ(writer.deadline(), t0 + 110ms);
    EXPECT_FALSE(writer.expire(device, t0 + 109ms));
    // The first is given up; the second's time starts now, and it goes.
    shared->takeNothing = false;
    EXPECT_TRUE(writer.expire(device, t0 + 110ms));
    EXPECT_EQ(shared->discarded, 1);
    EXPECT_FALSE(writer.pending());
    EXPECT_EQ(shared->writes, (std::vector<std::vector<uint8_t>>{std::vector<uint8_t>(20, 0x11)}));
    EXPECT_EQ(writer.write(device, std::vector<uint8_t>(PortWriter::CAPACITY + 1), t0), PortWriter::Result::Refused);
}

}  // namespace
}  // namespace lintor
