// The link against the simulated BCU on a pseudo-terminal, in real time:
// the device's side of things (reads in pieces, hang-ups, a port in use,
// replugs) and the start-up end to end. Timing assertions carry tolerances:
// the binding values are lower bounds. The pacing to the millisecond is in
// link_pacing_test, on a clock of the test's own.
#include <gtest/gtest.h>

#include <time.h>

#include <unistd.h>

#include <algorithm>
#include <string>
#include <thread>

#include "link/bus_message.h"
#include "tests/support/bytes.h"
#include "tests/support/child_process.h"
#include "tests/support/link_rig.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using test::bytes;
using test::hex;
using test::LinkRig;
using test::millisBetween;

const char* const kResetFrame = "10 40 40 16";
const char* const kPeiSwitchFrame = "68 08 08 68 73 A9 96 18 34 56 78 0A D6 16";
const char* const kAddressTableFrame = "68 06 06 68 53 A6 01 01 16 00 11 16";
const char* const kGroupWriteRecord = "10 80 09 00 11 0C 11 FF 0A 03 E1 00 81";

// The quiet period is 200 ms; allow for poll granularity and a loaded machine.
constexpr auto kQuietMin = 190ms;
constexpr auto kSlackMax = 700ms;

TEST(LinkWorker, StartupFramesGoOutInOrderEachAfterTheAcknowledgementOfTheOneBefore) {
    LinkRig rig;
    ASSERT_TRUE(rig.link->start());
    EXPECT_EQ(rig.link->state(), LinkState::Running);
    rig.startup->performInitStep();
    ASSERT_TRUE(rig.pumpUntil([&] { return rig.startup->bcuInitState() == 0; }, 5s));
    rig.pumpUntil([&] { return rig.steps.size() == 4; }, 1s);

    EXPECT_EQ(rig.hostFrameTexts(), (std::vector<std::string>{kResetFrame, kPeiSwitchFrame, kAddressTableFrame}));
    const auto frames = rig.hostFrames();
    ASSERT_EQ(frames.size(), 3u);
    for (size_t i = 1; i < frames.size(); ++i) {
        const auto quiet = millisBetween(rig.lastBcuOutputBefore(frames[i].time), frames[i].time);
        EXPECT_GE(quiet, kQuietMin) << "frame " << i;
        EXPECT_LE(quiet, kSlackMax) << "frame " << i;
    }
    EXPECT_EQ(rig.steps, (std::vector<BcuInitStep>{BcuInitStep::Reset, BcuInitStep::PeiSwitch,
                                                   BcuInitStep::AddressTable, BcuInitStep::Connected}));
    // The BCU's acknowledgements never reach anyone but the start-up.
    EXPECT_EQ(rig.link->ackReceivedCount(), 3);
}

TEST(LinkWorker, SilentBcuLeavesStartupAtItsFirstStep) {
    LinkRig rig;
    rig.sim->setSilent(true);
    ASSERT_TRUE(rig.link->start());
    rig.startup->performInitStep();
    rig.pumpFor(1600ms);
    EXPECT_EQ(rig.hostFrameTexts(), std::vector<std::string>{kResetFrame});
    EXPECT_EQ(rig.startup->bcuInitState(), 3);
    EXPECT_EQ(rig.steps, std::vector<BcuInitStep>{BcuInitStep::Reset});
}

TEST(LinkWorker, SecondRecordWaitsForAcknowledgementAndAQuietPeriod) {
    LinkRig rig;
    ASSERT_TRUE(rig.link->start());
    ASSERT_TRUE(rig.link->send(bytes(kGroupWriteRecord)));
    ASSERT_TRUE(rig.link->send(bytes(kGroupWriteRecord)));
    ASSERT_TRUE(rig.pumpUntil([&] { return rig.hostFrames().size() == 2; }, 3s));

    const auto frames = rig.hostFrames();
    EXPECT_EQ(hex(frames[0].bytes), "68 0A 0A 68 73 11 0C 11 FF 0A 03 E1 00 81 0F 16");
    EXPECT_EQ(hex(frames[1].bytes), "68 0A 0A 68 53 11 0C 11 FF 0A 03 E1 00 81 EF 16");
    const auto quiet = millisBetween(rig.lastBcuOutputBefore(frames[1].time), frames[1].time);
    EXPECT_GE(quiet, kQuietMin);
    EXPECT_LE(quiet, kSlackMax);
    // Each request was confirmed by the BCU: two MSG_CONFIRM records.
    rig.pumpUntil([&] { return rig.records.size() >= 4; }, 2s);
    int confirmations = 0;
    for (const auto& record : rig.records) confirmations += record.size() > 2 && record[0] == 0x00 && record[1] == 0x88;
    EXPECT_EQ(confirmations, 2);
}

TEST(LinkWorker, FramesSplitAcrossReadsGiveTheSameRecords) {
    LinkRig rig;
    rig.sim->setByteGap(3ms);
    ASSERT_TRUE(rig.link->start());
    const auto message = bytes("29 BC 11 01 0A 03 E1 00 81");
    for (int i = 0; i < 3; ++i) rig.sim->injectIndication(message);
    ASSERT_TRUE(rig.pumpUntil([&] { return rig.records.size() == 3; }, 5s)) << rig.trafficLog();

    // The BCU's own frame count bit alternates: control F3, D3, F3, whose
    // checksums are 59 and 39.
    EXPECT_EQ(rig.recordTexts(), (std::vector<std::string>{"02 10 0A 00 BC 11 01 0A 03 E1 00 81 59 16",
                                                           "02 10 0A 00 BC 11 01 0A 03 E1 00 81 39 16",
                                                           "02 10 0A 00 BC 11 01 0A 03 E1 00 81 59 16"}));
    EXPECT_EQ(rig.link->ackSentCount(), 3);
    // Same telegram, but the control bytes alternate: no duplicates.
    EXPECT_EQ(rig.link->duplicateCount(), 0);
}

TEST(LinkWorker, MissingDeviceIsReportedAndKeepsTheSystemUsable) {
    LinkRig rig("/dev/lintor-no-such-device");
    EXPECT_FALSE(rig.link->start());
    EXPECT_EQ(rig.link->state(), LinkState::Down);
    EXPECT_EQ(rig.openFailures, std::vector<std::string>{"/dev/lintor-no-such-device"});
    // Nothing drains the downlink now; writing must still never block.
    const auto record = bytes(kGroupWriteRecord);
    for (int i = 0; i < 10000; ++i) rig.link->send(record);
}

TEST(LinkWorker, PortHeldByAnotherProgramIsRefused) {
    LinkRig rig;
    const auto holder = SerialPort::open(rig.sim->devicePath());
    ASSERT_TRUE(holder.device);
    EXPECT_FALSE(rig.link->start());
    EXPECT_EQ(rig.link->state(), LinkState::Down);
    EXPECT_EQ(rig.openFailures, std::vector<std::string>{rig.sim->devicePath()});
}

std::chrono::nanoseconds processCpuTime() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

// A simulator whose device path is a symbolic link that survives a replug,
// as a USB adapter's /dev/serial/by-id name does.
bcusim::Options replugableOptions() {
    bcusim::Options options;
    options.linkPath = "/tmp/lintor-test-bcu-" + std::to_string(::getpid());
    return options;
}

TEST(LinkWorker, HangUpClosesThePortWithoutSpinning) {
    // Under a link that goes with the hang-up: the pty's own name may soon
    // belong to another test's simulator.
    LinkRig rig({}, replugableOptions());
    ASSERT_TRUE(rig.link->start());
    rig.sim->hangUp();
    ASSERT_TRUE(rig.pumpUntil([&] { return rig.link->state() == LinkState::Down; }, 2s));
    // A worker that kept polling a hung-up device would burn a whole core.
    const auto cpuBefore = processCpuTime();
    const auto wallBefore = LinkRig::Clock::now();
    rig.pumpFor(500ms);
    const auto cpu = processCpuTime() - cpuBefore;
    const auto wall = LinkRig::Clock::now() - wallBefore;
    EXPECT_LT(cpu, wall / 4) << "CPU " << std::chrono::duration_cast<std::chrono::milliseconds>(cpu).count() << " ms";
}

TEST(LinkRecovery, DeviceMissingAtStartIsOpenedOnceItAppears) {
    auto options = replugableOptions();
    LinkRig rig({}, options);
    // No device under that name until the replug.
    ASSERT_EQ(::unlink(options.linkPath.c_str()), 0);
    EXPECT_FALSE(rig.link->start());
    EXPECT_EQ(rig.link->state(), LinkState::Down);
    EXPECT_EQ(rig.openFailures.size(), 1u);
    rig.sim->replug();
    ASSERT_TRUE(rig.pumpUntil([&] { return rig.startup->bcuInitState() == 0; }, 5s)) << rig.trafficLog();
    EXPECT_EQ(rig.hostFrameTexts(), (std::vector<std::string>{kResetFrame, kPeiSwitchFrame, kAddressTableFrame}));
}

}  // namespace
}  // namespace lintor