#include "tools/bcusim/demo_bus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "tests/support/bytes.h"

namespace lintor::bcusim {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using test::hex;
using Clock = DemoBus::Clock;

constexpr uint16_t kSwitch = 0x0901;  // 1/1/1
constexpr uint16_t kDimmer = 0x0A01;  // 1/2/1
constexpr uint16_t kSensor = 0x1901;  // 3/1/1
constexpr uint16_t kMeter = 0x2001;   // 4/0/1
const Clock::time_point kQuietUntil = Clock::time_point{} + seconds{1};

// Independent of the encoder: mantissa * 2^exponent / 100.
double decodeKnxFloat(uint16_t word) {
    int mantissa = word & 0x07FF;
    if (word & 0x8000) mantissa -= 0x800;
    return mantissa * std::pow(2.0, (word >> 11) & 0x0F) / 100.0;
}

uint16_t destinationOf(const std::vector<uint8_t>& message) {
    return static_cast<uint16_t>((message.at(4) << 8) | message.at(5));
}

uint32_t valueOf(const std::vector<uint8_t>& message) {
    if (message.size() == 9) return message[8] & 0x3F;
    uint32_t value = 0;
    for (size_t i = 9; i < message.size(); ++i) value = (value << 8) | message[i];
    return value;
}

// Every message sent in steps of 50 ms over the given time, by group.
std::map<uint16_t, std::vector<std::pair<Clock::time_point, std::vector<uint8_t>>>> run(DemoBus& bus,
                                                                                        seconds duration) {
    std::map<uint16_t, std::vector<std::pair<Clock::time_point, std::vector<uint8_t>>>> sent;
    for (auto now = Clock::time_point{}; now < kQuietUntil + duration; now += milliseconds{50}) {
        for (auto& message : bus.tick(now)) sent[destinationOf(message)].emplace_back(now, message);
    }
    return sent;
}

TEST(DemoBus, KeepsQuietThenEveryDeviceSendsAWriteSoon) {
    DemoBus bus(7, kQuietUntil);
    EXPECT_TRUE(bus.tick(kQuietUntil - milliseconds{1}).empty());
    EXPECT_GE(bus.nextDue(), kQuietUntil);

    std::set<std::string> starts;
    for (const auto& message : bus.tick(kQuietUntil + seconds{2})) starts.insert(hex(message).substr(0, 25));
    EXPECT_EQ(starts, (std::set<std::string>{"29 BC 11 0B 09 01 E1 00 8", "29 BC 11 0C 09 02 E1 00 8",
                                             "29 BC 11 0D 0A 01 E2 00 8", "29 BC 11 0E 19 01 E3 00 8",
                                             "29 BC 11 0F 20 01 E5 00 8"}));
}

TEST(DemoBus, DevicesSendEveryTwoToEightSeconds) {
    DemoBus bus(7, kQuietUntil);
    for (const auto& [group, messages] : run(bus, seconds{300})) {
        SCOPED_TRACE(group);
        EXPECT_GE(messages.size(), 300u / 8);
        for (size_t i = 1; i < messages.size(); ++i) {
            const auto interval = messages[i].first - messages[i - 1].first;
            EXPECT_GE(interval, seconds{2});
            EXPECT_LE(interval, seconds{8} + milliseconds{50});
        }
    }
}

TEST(DemoBus, ValuesBehaveLikeTheirDevices) {
    DemoBus bus(7, kQuietUntil);
    auto sent = run(bus, seconds{600});

    uint32_t lastSwitch = 0;
    for (const auto& [time, message] : sent[kSwitch]) {
        EXPECT_EQ(valueOf(message), lastSwitch ^ 1) << "a switch toggles";
        lastSwitch = valueOf(message);
    }
    std::set<uint32_t> dimmerValues;
    for (const auto& [time, message] : sent[kDimmer]) dimmerValues.insert(valueOf(message));
    EXPECT_GT(dimmerValues.size(), 10u);
    for (const auto& [time, message] : sent[kSensor]) {
        const double celsius = decodeKnxFloat(static_cast<uint16_t>(valueOf(message)));
        EXPECT_GT(celsius, 19.0);
        EXPECT_LT(celsius, 23.0);
    }
    uint32_t lastCount = 0;
    for (const auto& [time, message] : sent[kMeter]) {
        EXPECT_GT(valueOf(message), lastCount) << "a meter only counts up";
        lastCount = valueOf(message);
    }
}

TEST(DemoBus, SameSeedSameTraffic) {
    DemoBus a(42, kQuietUntil);
    DemoBus b(42, kQuietUntil);
    DemoBus c(43, kQuietUntil);
    const auto fromA = run(a, seconds{60});
    EXPECT_EQ(fromA, run(b, seconds{60}));
    EXPECT_NE(fromA, run(c, seconds{60}));
}

TEST(DemoBus, AnswersReadsWithItsCurrentValue) {
    DemoBus bus(7, kQuietUntil);
    EXPECT_EQ(hex(*bus.answer({kSensor, GroupService::Read, 0, SIX_BIT_VALUE})), "29 BC 11 0E 19 01 E3 00 40 0C 1A")
        << "21.0 before the first reading";
    EXPECT_EQ(hex(*bus.answer({kSwitch, GroupService::Read, 0, SIX_BIT_VALUE})), "29 BC 11 0B 09 01 E1 00 40");
    EXPECT_FALSE(bus.answer({0x0A03, GroupService::Read, 0, SIX_BIT_VALUE})) << "no device on 1/2/3";
}

TEST(DemoBus, HostWritesSetSwitchesAndTheDimmerOnly) {
    DemoBus bus(7, kQuietUntil);
    EXPECT_FALSE(bus.answer({kSwitch, GroupService::Write, 1, SIX_BIT_VALUE}));
    EXPECT_EQ(hex(*bus.answer({kSwitch, GroupService::Read, 0, SIX_BIT_VALUE})), "29 BC 11 0B 09 01 E1 00 41");
    bus.answer({kDimmer, GroupService::Write, 0x80, 1});
    EXPECT_EQ(hex(*bus.answer({kDimmer, GroupService::Read, 0, SIX_BIT_VALUE})), "29 BC 11 0D 0A 01 E2 00 40 80");

    bus.answer({kDimmer, GroupService::Write, 0x1234, 2});
    bus.answer({kSensor, GroupService::Write, 0x0000, 2});
    bus.answer({kMeter, GroupService::Write, 0, 4});
    EXPECT_EQ(bus.valueOf(kDimmer), 0x80u) << "wrong size ignored";
    EXPECT_EQ(bus.valueOf(kSensor), 0x0C1Au) << "a sensor is not set from the bus";
    EXPECT_NE(bus.valueOf(kMeter), 0u);
}

}  // namespace
}  // namespace lintor::bcusim
