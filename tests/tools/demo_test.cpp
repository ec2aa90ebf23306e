#include <gtest/gtest.h>

#include <string>

#include "tests/support/bytes.h"
#include "tests/tools/slave_port.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor::bcusim {
namespace {

using std::chrono::milliseconds;
using test::bytes;
using test::hex;
using Clock = std::chrono::steady_clock;

std::unique_ptr<BcuSimulator> startDemo() {
    Options options;
    options.demo = true;
    auto started = BcuSimulator::start(options);
    EXPECT_TRUE(started.ok()) << errorText(started.error());
    return started.ok() ? started.take() : nullptr;
}

bool isGroupWriteIndication(const std::vector<uint8_t>& frame) {
    // 68 L L 68 C | 29 BC source destination NPCI 00 APCI ...
    return frame.size() >= 16 && frame[5] == 0x29 && frame[6] == 0xBC && (frame[11] & 0x80) != 0 && frame[12] == 0x00 &&
           (frame[13] & 0xC0) == 0x80;
}

TEST(DemoMode, KeepsQuietAtFirstThenDevicesSendGroupWrites) {
    const auto sim = startDemo();
    ASSERT_TRUE(sim);
    test::SlavePort port(sim->devicePath());
    EXPECT_EQ(hex(port.readFor(milliseconds{700})), "") << "the host's start-up comes first";

    const auto deadline = Clock::now() + std::chrono::seconds{10};
    int writes = 0;
    while (writes < 2 && Clock::now() < deadline) {
        const auto frame = port.readUnit(std::chrono::ceil<milliseconds>(deadline - Clock::now()));
        if (frame.empty()) break;
        EXPECT_TRUE(isGroupWriteIndication(frame)) << hex(frame);
        if (isGroupWriteIndication(frame)) ++writes;
        port.write({0xE5});
    }
    EXPECT_EQ(writes, 2);
}

TEST(DemoMode, DeviceAnswersAGroupRead) {
    const auto sim = startDemo();
    ASSERT_TRUE(sim);
    test::SlavePort port(sim->devicePath());
    // Read of 3/1/1 while the devices still keep quiet: the sensor has its
    // first value, 21.0 degrees.
    port.write(bytes("68 0A 0A 68 73 11 0C 00 00 19 01 E1 00 00 8B 16"));
    EXPECT_EQ(hex(port.readUnit()), "E5");
    EXPECT_EQ(hex(port.readUnit()), "68 0A 0A 68 F3 2E BC 00 00 19 01 E1 00 00 D8 16");
    port.write({0xE5});
    EXPECT_EQ(hex(port.readUnit()), "68 0C 0C 68 D3 29 BC 11 0E 19 01 E3 00 40 0C 1A 3A 16");
}

}  // namespace
}  // namespace lintor::bcusim
