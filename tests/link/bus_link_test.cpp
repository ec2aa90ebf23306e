// The bus link's start-up and the read of the BCU's own address, against a
// BCU at the far end of a socket pair, on a clock of the test's own.
#include "link/bus_link.h"

#include <gtest/gtest.h>

#include "link/bcu_address.h"
#include "tests/support/bytes.h"
#include "tests/support/event_loop.h"
#include "tests/support/link_fakes.h"
#include "tests/support/manual_clock.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using test::bytes;
using test::hex;

class RecordingBusLinkEvents final : public BusLinkEvents {
public:
    void recordFromBus(std::span<const uint8_t> record) override { records.push_back(hex(record)); }
    void linkDown() override {}
    void startupStep(BcuInitStep step) override { steps.push_back(step); }
    void portOpenFailed(const std::string&) override {}
    void bcuAddress(uint16_t value, bool wasRead) override {
        address = value;
        read = wasRead;
    }

    std::vector<std::string> records;
    std::vector<BcuInitStep> steps;
    std::optional<uint16_t> address;
    bool read = false;
};

class BusLinkTest : public testing::Test {
protected:
    // The BCU takes the start-up's three frames, and the line stays quiet
    // for the period after the last: what the host sends next is the test's.
    // Connected waits for the BCU's address.
    void startUp() {
        link.start();
        for (int step = 0; step < 3; ++step) {
            loop->runOnce(0ms);
            bcu.sendToHost(bytes("E5"));
            loop->runOnce(0ms);
            bcu.takeFromHost();
            clock.advance(200ms);
            loop->runOnce(0ms);
        }
        ASSERT_NE(events.steps.back(), BcuInitStep::Connected);
    }

    test::ManualClock clock;
    std::unique_ptr<EventLoop> loop = test::makeLoop(clock);
    RecordingBusLinkEvents events;
    test::SocketBcu bcu;
    BusLink link{*loop, events, bcu.opener(), "/dev/ttyS0"};
};

TEST_F(BusLinkTest, TheBcusOwnAddressIsReadOnceItIsConnectedAndItsAnswerReachesNoClient) {
    startUp();
    EXPECT_EQ(hex(bcu.takeFromHost()), "68 05 05 68 73 AC 02 01 17 39 16");
    bcu.sendToHost(bytes("E5"));
    const size_t recordsBefore = events.records.size();
    // PC_Get_Value.con: 2 bytes at 0x0117, 1.1.250.
    bcu.sendToHost(bytes("68 07 07 68 F3 AB 02 01 17 11 FA C3 16"));
    loop->runOnce(0ms);
    EXPECT_EQ(events.address, 0x11FA);
    EXPECT_TRUE(events.read);
    EXPECT_EQ(events.steps.back(), BcuInitStep::Connected);
    ASSERT_EQ(events.records.size(), recordsBefore + 1);
    EXPECT_EQ(events.records.back(), "E5 80 00 00") << "the acknowledgement, not the answer";
    EXPECT_EQ(hex(bcu.takeFromHost()), "E5") << "the answer is acknowledged as any frame";
}

TEST_F(BusLinkTest, ABcuThatDoesNotAnswerTheReadLeavesTheFactoryAddressAssumed) {
    startUp();
    bcu.sendToHost(bytes("E5"));
    // Counted from when the read was asked for, a quiet period before it went.
    clock.advance(BusLink::ADDRESS_READ_TIMEOUT - 200ms - 1ms);
    loop->runOnce(0ms);
    EXPECT_FALSE(events.address);
    clock.advance(1ms);
    loop->runOnce(0ms);
    EXPECT_EQ(events.address, 0xFFFF);
    EXPECT_FALSE(events.read);
    EXPECT_EQ(events.steps.back(), BcuInitStep::Connected);
    // A late answer is anybody's frame.
    bcu.sendToHost(bytes("68 07 07 68 F3 AB 02 01 17 11 FA C3 16"));
    loop->runOnce(0ms);
    EXPECT_EQ(events.records.back(), "F0 FF 07 00 02 01 17 11 FA C3 16");
    EXPECT_EQ(events.address, 0xFFFF);
}

TEST(BcuAddress, OnlyTheAnswerToTheReadGivesAnAddress) {
    EXPECT_EQ(hex(bcuAddressRequestRecord()), "10 80 04 00 AC 02 01 17");
    struct Case {
        const char* message;
        std::optional<uint16_t> address;
    };
    for (const Case& c : {
             Case{"AB 02 01 17 11 FA", 0x11FA},
             Case{"AB 02 01 16 11 FA", std::nullopt},  // another location
             Case{"AB 01 01 17 11", std::nullopt},     // one byte
             Case{"AC 02 01 17 11 FA", std::nullopt},  // not the .con
             Case{"AB 02 01 17 11", std::nullopt},     // cut short
             Case{"AB 02 01 17 11 FA 00", std::nullopt},
         }) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(bcuAddressOf(bytes(c.message)), c.address);
    }
}

}  // namespace
}  // namespace lintor
