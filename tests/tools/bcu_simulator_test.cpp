#include "tools/bcusim/bcu_simulator.h"

#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

#include "tests/support/bytes.h"
#include "tests/tools/slave_port.h"

namespace lintor::bcusim {
namespace {

using std::chrono::milliseconds;
using test::bytes;
using test::hex;

const std::string kAck = "E5";
const std::string kReset = "10 40 40 16";
const std::string kPeiSwitch = "68 08 08 68 73 A9 96 18 34 56 78 0A D6 16";
const std::string kSetValue = "68 06 06 68 53 A6 01 01 16 00 11 16";
// L_Data.req, group value write of 1 to 1/2/3, and its confirmation.
const std::string kWriteRequest = "68 0A 0A 68 73 11 0C 00 00 0A 03 E1 00 81 FF 16";
const std::string kWriteConfirmation = "68 0A 0A 68 F3 2E BC 00 00 0A 03 E1 00 81 4C 16";

const std::vector<uint8_t> kSwitchOn = bytes("29 BC 11 01 0A 03 E1 00 81");
const std::vector<uint8_t> kSwitchOff = bytes("29 BC 11 01 0A 03 E1 00 80");
const std::string kOnF3 = "68 0A 0A 68 F3 29 BC 11 01 0A 03 E1 00 81 59 16";
const std::string kOffD3 = "68 0A 0A 68 D3 29 BC 11 01 0A 03 E1 00 80 38 16";

// Long enough for a BCU that means to answer to have answered.
constexpr milliseconds kQuietWindow{300};

std::unique_ptr<BcuSimulator> startSimulator(const Options& options = {}) {
    auto started = BcuSimulator::start(options);
    EXPECT_TRUE(started.ok()) << errorText(started.error());
    return started.ok() ? started.take() : nullptr;
}

class BcuSimulatorTest : public ::testing::Test {
protected:
    void SetUp() override { start({}); }

    void start(const Options& options) {
        port.reset();
        sim = startSimulator(options);
        ASSERT_TRUE(sim);
        port.emplace(sim->devicePath());
        ASSERT_TRUE(port->isOpen());
    }

    void send(const std::string& hexBytes) { port->write(bytes(hexBytes)); }
    std::string readUnit(milliseconds timeout = milliseconds{2000}) { return hex(port->readUnit(timeout)); }
    std::string readQuietWindow() { return hex(port->readFor(kQuietWindow)); }

    std::vector<TrafficEntry> toHost() const {
        std::vector<TrafficEntry> entries;
        for (auto& entry : sim->traffic()) {
            if (entry.direction == Direction::ToHost) entries.push_back(entry);
        }
        return entries;
    }

    std::unique_ptr<BcuSimulator> sim;
    std::optional<test::SlavePort> port;
};

TEST_F(BcuSimulatorTest, AcknowledgesEveryWellFormedFrameAndOnlyConfirmsRequests) {
    for (const std::string& frame : {kReset, kPeiSwitch, kSetValue}) {
        SCOPED_TRACE(frame);
        send(frame);
        EXPECT_EQ(readUnit(), kAck);
    }
    EXPECT_EQ(readQuietWindow(), "") << "nothing to confirm for reset, PEI switch and set value";
}

TEST_F(BcuSimulatorTest, FrameWithBadChecksumGetsNoAnswer) {
    send("68 08 08 68 73 A9 96 18 34 56 78 0A D7 16");
    EXPECT_EQ(readQuietWindow(), "");
    ASSERT_TRUE(sim->waitForHostUnits(1, milliseconds{1000}));
    EXPECT_FALSE(sim->hostUnits().back().wellFormed);

    send("10 40 41 16");
    EXPECT_EQ(readQuietWindow(), "") << "fixed frame whose checksum is not its control byte";

    send(kPeiSwitch);
    EXPECT_EQ(readUnit(), kAck) << "the next good frame is answered";
}

TEST_F(BcuSimulatorTest, DataRequestIsAcknowledgedThenConfirmed) {
    send(kWriteRequest);
    EXPECT_EQ(readUnit(), kAck);
    EXPECT_EQ(readUnit(), kWriteConfirmation);
}

TEST_F(BcuSimulatorTest, OwnFramesWaitForTheHostsAcknowledgementAndAlternate) {
    sim->injectIndication(kSwitchOn);
    sim->injectIndication(kSwitchOff);
    sim->injectIndication(kSwitchOn);
    EXPECT_EQ(readUnit(), kOnF3);
    EXPECT_EQ(readQuietWindow(), "") << "the second frame went out before the first was acknowledged";
    send(kAck);
    EXPECT_EQ(readUnit(), kOffD3);
    send(kAck);
    EXPECT_EQ(readUnit(), kOnF3);
    send(kAck);

    ASSERT_TRUE(sim->waitForHostUnits(3, milliseconds{1000}));
    const SimulatorCounters counters = sim->counters();
    EXPECT_EQ(counters.framesSent, 3u);
    EXPECT_EQ(counters.acksReceived, 3u);
    EXPECT_EQ(counters.repeats, 0u);
}

TEST_F(BcuSimulatorTest, UnacknowledgedFrameIsRepeatedAfterAboutASecond) {
    sim->injectIndication(kSwitchOn);
    EXPECT_EQ(readUnit(), kOnF3);
    EXPECT_EQ(readUnit(milliseconds{2000}), kOnF3);
    send(kAck);
    ASSERT_TRUE(sim->waitForHostUnits(1, milliseconds{1000}));

    const auto frames = toHost();
    ASSERT_EQ(frames.size(), 2u);
    const auto interval = frames[1].time - frames[0].time;
    EXPECT_GE(interval, milliseconds{1000});
    EXPECT_LE(interval, milliseconds{1500});
    EXPECT_EQ(sim->counters().repeats, 1u);
}

TEST_F(BcuSimulatorTest, FrameIsGivenUpAfterTwoRepeats) {
    Options options;
    options.ackTimeout = milliseconds{100};
    start(options);
    sim->injectIndication(kSwitchOn);
    sim->injectIndication(kSwitchOff);
    for (int copy = 0; copy < 3; ++copy) EXPECT_EQ(readUnit(), kOnF3) << "copy " << copy;
    EXPECT_EQ(readUnit(), kOffD3) << "the next frame follows with the other control byte";
    send(kAck);

    const SimulatorCounters counters = sim->counters();
    EXPECT_EQ(counters.repeats, 2u);
    EXPECT_EQ(counters.framesDropped, 1u);
}

TEST(BcuSimulatorGroupWrites, AreFramedByteForByte) {
    struct Case {
        const char* name;
        uint16_t group;
        uint32_t value;
        int dataBytes;
        uint16_t source;
        std::string frame;
    };
    for (const Case& c : {
             Case{"six bits", 0x0A03, 1, SIX_BIT_VALUE, 0x1101, kOnF3},
             Case{"one byte", 0x0A03, 200, 1, 0x1101, "68 0B 0B 68 F3 29 BC 11 01 0A 03 E2 00 80 C8 21 16"},
             Case{"two bytes", 0x1901, 0x0C1A, 2, 0x1101, "68 0C 0C 68 F3 29 BC 11 01 19 01 E3 00 80 0C 1A 8D 16"},
             Case{"four bytes, other source", 0x2001, 0x12345678, 4, 0x1205,
                  "68 0E 0E 68 F3 29 BC 12 05 20 01 E5 00 80 12 34 56 78 89 16"},
         }) {
        SCOPED_TRACE(c.name);
        const auto sim = startSimulator();
        ASSERT_TRUE(sim);
        test::SlavePort port(sim->devicePath());
        EXPECT_TRUE(sim->injectGroupWrite(c.group, c.value, c.dataBytes, c.source));
        EXPECT_EQ(hex(port.readUnit()), c.frame);
    }
}

TEST_F(BcuSimulatorTest, GroupWriteThatDoesNotFitIsRefused) {
    EXPECT_FALSE(sim->injectGroupWrite(0x0A03, 64, SIX_BIT_VALUE));
    EXPECT_FALSE(sim->injectGroupWrite(0x0A03, 1, 3));
    EXPECT_EQ(readQuietWindow(), "");
}

TEST_F(BcuSimulatorTest, WithoutAcknowledgementsRequestsAreStillConfirmed) {
    sim->setAckMode(AckMode::None);
    send(kWriteRequest);
    EXPECT_EQ(readUnit(), kWriteConfirmation) << "no E5 before it";
    send(kAck);
    send(kReset);
    EXPECT_EQ(readQuietWindow(), "");

    sim->setAckMode(AckMode::Normal);
    send(kReset);
    EXPECT_EQ(readUnit(), kAck);
}

TEST_F(BcuSimulatorTest, LateAcknowledgementKeepsItsDelayAndComesBeforeTheConfirmation) {
    sim->setAckMode(AckMode::Late, milliseconds{250});
    send(kWriteRequest);
    EXPECT_EQ(readUnit(), kAck);
    EXPECT_EQ(readUnit(), kWriteConfirmation);
    send(kAck);
    ASSERT_TRUE(sim->waitForHostUnits(2, milliseconds{1000}));

    const auto requestArrived = sim->hostUnits().front().time;
    const auto ackSent = toHost().front().time;
    EXPECT_GE(ackSent - requestArrived, milliseconds{250});
    EXPECT_LE(ackSent - requestArrived, milliseconds{600});
}

TEST_F(BcuSimulatorTest, ByteGapSendsEveryByteOnItsOwn) {
    sim->setByteGap(milliseconds{15});
    sim->injectIndication(kSwitchOn);
    EXPECT_EQ(readUnit(), kOnF3);
    send(kAck);
    ASSERT_TRUE(sim->waitForHostUnits(1, milliseconds{1000}));

    const auto entries = toHost();
    ASSERT_EQ(entries.size(), 16u);
    for (size_t i = 1; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].bytes.size(), 1u);
        EXPECT_GE(entries[i].time - entries[i - 1].time, milliseconds{15}) << "byte " << i;
    }

    sim->setByteGap(milliseconds{0});
    sim->injectIndication(kSwitchOff);
    EXPECT_EQ(readUnit(), kOffD3);
    send(kAck);
    ASSERT_TRUE(sim->waitForHostUnits(2, milliseconds{1000}));
    EXPECT_EQ(hex(toHost().back().bytes), kOffD3) << "whole frames again";
}

TEST_F(BcuSimulatorTest, AcknowledgementAtTheHeaderLetsTheNextFrameFollowTheEnd) {
    sim->setByteGap(milliseconds{5});
    sim->injectIndication(kSwitchOn);
    sim->injectIndication(kSwitchOff);
    EXPECT_EQ(hex(port->readBytes(4)), "68 0A 0A 68");
    send(kAck);  // while the rest of the frame is still on its way
    EXPECT_EQ(hex(port->readBytes(12)), "F3 29 BC 11 01 0A 03 E1 00 81 59 16");
    EXPECT_EQ(readUnit(), kOffD3);
}

TEST_F(BcuSimulatorTest, RepeatedFramesComeTwiceAndEachCopyIsAcknowledged) {
    sim->setRepeatFrames(true);
    sim->injectIndication(kSwitchOn);
    sim->injectIndication(kSwitchOff);
    EXPECT_EQ(readUnit(), kOnF3);
    EXPECT_EQ(readUnit(), kOnF3);
    send(kAck);
    EXPECT_EQ(readQuietWindow(), "") << "the second copy is not acknowledged yet";
    send(kAck);
    EXPECT_EQ(readUnit(), kOffD3);
    EXPECT_EQ(readUnit(), kOffD3);
}

TEST(BcuSimulatorGarbage, FollowsTheSeed) {
    const auto garbageOf = [](uint32_t seed) {
        Options options;
        options.seed = seed;
        const auto sim = startSimulator(options);
        test::SlavePort port(sim->devicePath());
        sim->sendGarbage(64);
        return hex(port.readBytes(64));
    };
    const std::string first = garbageOf(5);
    EXPECT_EQ(first.size(), 64u * 3 - 1);
    EXPECT_EQ(garbageOf(5), first);
    EXPECT_NE(garbageOf(6), first);
}

TEST_F(BcuSimulatorTest, RawBytesGoOutAsTheyAreOutsideTheFrameMachinery) {
    sim->injectRaw(bytes("68 0A 0A 68 F3 E5 16"));
    EXPECT_EQ(hex(port->readBytes(7)), "68 0A 0A 68 F3 E5 16");
    EXPECT_EQ(sim->counters().framesSent, 0u);
    sim->injectIndication(kSwitchOn);
    EXPECT_EQ(readUnit(), kOnF3) << "raw bytes do not move the frame count bit";
}

TEST_F(BcuSimulatorTest, SilentBcuAnswersNothingUntilWoken) {
    sim->setSilent(true);
    send(kWriteRequest);
    sim->injectIndication(kSwitchOn);
    EXPECT_EQ(readQuietWindow(), "");

    sim->setSilent(false);
    EXPECT_EQ(readUnit(), kOnF3) << "the held frame goes out, the request stays unanswered";
    send(kAck);
    EXPECT_EQ(readQuietWindow(), "");
}

TEST_F(BcuSimulatorTest, HangUpShowsAsPollHupEndOfFileAndEio) {
    sim->hangUp();
    pollfd p{port->fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    EXPECT_TRUE(p.revents & POLLHUP);
    std::array<uint8_t, 8> buffer;
    EXPECT_EQ(::read(port->fd(), buffer.data(), buffer.size()), 0) << "end of file";
    EXPECT_EQ(::write(port->fd(), "\xE5", 1), -1);
    EXPECT_EQ(errno, EIO);
}

TEST_F(BcuSimulatorTest, RecordsWhatTheHostSent) {
    EXPECT_FALSE(sim->waitForHostUnits(1, milliseconds{20}));
    send(kAck + " " + kReset + " 68 02 02 68 73 A9 1D 16");

    ASSERT_TRUE(sim->waitForHostUnits(3, milliseconds{2000}));
    const auto units = sim->hostUnits();
    ASSERT_EQ(units.size(), 3u);
    EXPECT_EQ(units[0].kind, HostUnitKind::Ack);
    EXPECT_EQ(units[1].kind, HostUnitKind::FixedFrame);
    EXPECT_EQ(hex(units[1].bytes), kReset);
    EXPECT_TRUE(units[1].wellFormed);
    EXPECT_EQ(units[2].kind, HostUnitKind::VariableFrame);
    EXPECT_FALSE(units[2].wellFormed);
    EXPECT_LE(units[0].time, units[2].time);
    EXPECT_EQ(sim->counters().acksReceived, 1u);
    EXPECT_EQ(sim->traffic().front().direction, Direction::FromHost);
}

// "   1.234567 " followed by the text: seconds since the start, right-aligned
// in eleven columns, six decimals.
bool isLogLine(std::string_view line, std::string_view text) {
    constexpr size_t kStampWidth = 11;
    if (line.size() != kStampWidth + 1 + text.size() || line.substr(kStampWidth + 1) != text) return false;
    const std::string_view stamp = line.substr(0, kStampWidth);
    const size_t first = stamp.find_first_not_of(' ');
    const size_t point = stamp.find('.');
    if (first == std::string_view::npos || point == std::string_view::npos || point + 7 != kStampWidth) return false;
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    return point > first && std::ranges::all_of(stamp.substr(first, point - first), isDigit) &&
           std::ranges::all_of(stamp.substr(point + 1), isDigit) && line[kStampWidth] == ' ';
}

// Collects log lines from the simulator's thread.
class LogLines {
public:
    LogSink sink() {
        return [this](std::string_view line) {
            std::lock_guard lock(mutex_);
            lines_.emplace_back(line);
            changed_.notify_all();
        };
    }
    bool waitForLine(std::string_view text, milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] {
            return std::ranges::any_of(lines_, [&](const std::string& line) { return isLogLine(line, text); });
        });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
};

TEST(BcuSimulatorLog, HasALineForEveryChunkWithTheTimeSinceStart) {
    LogLines log;
    Options options;
    options.log = log.sink();
    const auto sim = startSimulator(options);
    ASSERT_TRUE(sim);
    test::SlavePort port(sim->devicePath());
    port.write(bytes(kReset));
    EXPECT_EQ(hex(port.readUnit()), kAck);
    EXPECT_TRUE(log.waitForLine("host> 10 40 40 16", milliseconds{1000}));
    EXPECT_TRUE(log.waitForLine(" bcu> E5", milliseconds{1000}));
}

// The host's request and the BCU's frames as they follow one another, each
// frame acknowledged by the host; control bytes F3 and D3 alternate.
class BcuSimulatorLineTest : public BcuSimulatorTest {
protected:
    void request(const std::string& message) { port->write(test::variableFrame(0x73, bytes(message))); }
    void expectFrames(const std::vector<std::string>& messages) {
        EXPECT_EQ(readUnit(), kAck);
        for (const std::string& message : messages) {
            const uint8_t control = frameCountBit_ ? 0xF3 : 0xD3;
            frameCountBit_ = !frameCountBit_;
            EXPECT_EQ(readUnit(), hex(test::variableFrame(control, bytes(message))));
            send(kAck);
        }
        EXPECT_EQ(readQuietWindow(), "");
    }

private:
    bool frameCountBit_ = true;
};

TEST_F(BcuSimulatorLineTest, IndividualRequestsAreConfirmedAsTheLineAcknowledgesThem) {
    // A_DeviceDescriptor_Read without a connection from 0.0.0 to 1.1.11: confirmed, then
    // 1.1.11's answer to the BCU's own address 1.1.250.
    request("11 0C 00 00 11 0B 61 03 00");
    expectFrames({"2E BC 00 00 11 0B 61 03 00", "29 B0 11 0B 11 FA 63 03 40 07 05"});
    // To 1.1.99, where nobody acknowledges: the confirm error bit.
    request("11 0C 00 00 11 63 61 03 00");
    expectFrames({"2E BD 00 00 11 63 61 03 00"});
}

TEST_F(BcuSimulatorLineTest, DeviceInProgrammingModeTakesANewAddress) {
    sim->setProgrammingMode(0x110E, true);  // 1.1.14, the BCU 2
    // Broadcast A_IndividualAddress_Read, its response, then A_IndividualAddress_Write 1.2.10.
    request("11 0C 00 00 00 00 E1 01 00");
    expectFrames({"2E BC 00 00 00 00 E1 01 00", "29 B0 11 0E 00 00 E1 01 40"});
    request("11 0C 00 00 00 00 E3 00 C0 12 0A");
    expectFrames({"2E BC 00 00 00 00 E3 00 C0 12 0A"});

    const auto devices = sim->devices();
    const auto device = std::ranges::find(devices, 0x120A, &SimulatedLine::DeviceState::address);
    ASSERT_NE(device, devices.end());
    EXPECT_EQ(device->maskVersion, 0x0020);
    EXPECT_TRUE(device->programmingMode);
    EXPECT_EQ(device->memory.at(0x0060), 0x81) << "programming mode with its parity bit";
    EXPECT_EQ(hex(std::span(device->memory).subspan(0x0116, 3)), "01 12 0A") << "the address table";
}

TEST(BcuSimulatorLine, AnswersToOtherAddressesNeverReachTheHost) {
    LogLines log;
    Options options;
    options.log = log.sink();
    const auto sim = startSimulator(options);
    ASSERT_TRUE(sim);
    test::SlavePort port(sim->devicePath());
    // A_DeviceDescriptor_Read from 15.15.241 to 1.1.11: confirmed, and 1.1.11 answers 15.15.241.
    port.write(test::variableFrame(0x73, bytes("11 0C FF F1 11 0B 61 03 00")));
    EXPECT_EQ(hex(port.readUnit()), kAck);
    EXPECT_EQ(hex(port.readUnit()), hex(test::variableFrame(0xF3, bytes("2E BC FF F1 11 0B 61 03 00"))));
    port.write(bytes(kAck));
    EXPECT_EQ(hex(port.readFor(kQuietWindow)), "");
    EXPECT_TRUE(log.waitForLine("    # 1.1.11 to 15.15.241 03 40 07 05: not acknowledged, repeated 3 times, given up",
                                milliseconds{1000}));
}

}  // namespace
}  // namespace lintor::bcusim
