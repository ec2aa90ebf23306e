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

// A cEMI module: frames as knxd's ft12cemi driver and a kBerry's trace show
// them; the FT1.2 frame count starts again at every reset.
TEST(ModuleLinkTest, AModuleIsStartedInItsDataLinkLayerAndSpeaksEmiRecords) {
    test::ManualClock clock;
    const auto loop = test::makeLoop(clock);
    RecordingBusLinkEvents events;
    test::SocketBcu module;
    BusLink link{*loop, events, module.opener(), "/dev/ttyS0", BusInterface::Cemi};
    link.start();
    const auto exchange = [&](const char* expected, const char* answer) {
        loop->runOnce(0ms);
        // Without the acknowledgement of the module's last answer.
        std::string sent = hex(module.takeFromHost());
        if (sent.starts_with("E5 ")) sent.erase(0, 3);
        EXPECT_EQ(sent, expected);
        module.sendToHost(bytes("E5"));
        if (*answer != '\0') module.sendToHost(bytes(answer));
        loop->runOnce(0ms);
        clock.advance(200ms);
        loop->runOnce(0ms);
    };
    exchange("10 40 40 16", "");
    // M_PropWrite.req of the communication mode: data link layer; the
    // module's M_PropWrite.con is for no client.
    exchange("68 09 09 68 73 F6 00 08 01 34 10 01 00 B7 16", "68 08 08 68 F3 F5 00 08 01 34 10 01 36 16");
    // M_PropRead.req of the device object's subnet and device address.
    exchange("68 08 08 68 53 FC 00 00 01 39 10 01 9A 16", "68 09 09 68 D3 FB 00 00 01 39 10 01 11 2A 16");
    exchange("68 08 08 68 73 FC 00 00 01 3A 10 01 BB 16", "68 09 09 68 F3 FB 00 00 01 3A 10 01 FA 34 16");
    EXPECT_EQ(events.address, 0x11FA);
    EXPECT_EQ(events.steps,
              (std::vector<BcuInitStep>{BcuInitStep::Reset, BcuInitStep::CommMode, BcuInitStep::Connected}));
    for (const auto& record : events.records) EXPECT_EQ(record, "E5 80 00 00") << "only acknowledgements so far";
    module.takeFromHost();

    // A group write from 1.1.11 to 1/1/1 comes up as the BCU 2's record.
    module.sendToHost(bytes("68 0C 0C 68 D3 29 00 BC E0 11 0B 09 01 01 00 81 40 16"));
    loop->runOnce(0ms);
    EXPECT_EQ(events.records.back(), "02 10 0A 00 BC 11 0B 09 01 E1 00 81 40 16");
    // A client's EMI request goes down as the module's, an EMI-only one not.
    ASSERT_TRUE(link.send(bytes("10 80 05 00 A6 01 01 16 00")));
    ASSERT_TRUE(link.send(bytes("10 80 09 00 11 0C 00 00 0A 03 E1 00 81")));
    clock.advance(200ms);
    loop->runOnce(0ms);
    EXPECT_EQ(hex(module.takeFromHost()), "E5 68 0C 0C 68 53 11 00 BC E0 00 00 0A 03 01 00 81 8F 16");
}

TEST(BcuAddress, OnlyTheAnswersToTheReadGiveAnAddress) {
    struct Case {
        BusInterface interface;
        std::vector<const char*> answers;  // in turn
        std::optional<uint16_t> address;
        std::vector<bool> taken;
    };
    // EMI: PC_Get_Value.con of 2 bytes at 0x0117. cEMI: M_PropRead.con of
    // the device object's subnet (0x39) and device (0x3A) address.
    for (const Case& c : {
             Case{BusInterface::Emi, {"AB 02 01 17 11 FA"}, 0x11FA, {true}},
             Case{BusInterface::Emi, {"AB 02 01 16 11 FA"}, std::nullopt, {false}},  // another location
             Case{BusInterface::Emi, {"AB 01 01 17 11"}, std::nullopt, {false}},     // one byte
             Case{BusInterface::Emi, {"AC 02 01 17 11 FA"}, std::nullopt, {false}},  // not the .con
             Case{BusInterface::Emi, {"AB 02 01 17 11"}, std::nullopt, {false}},     // cut short
             Case{BusInterface::Emi, {"AB 02 01 17 11 FA 00"}, std::nullopt, {false}},
             Case{BusInterface::Cemi, {"FB 00 00 01 3A 10 01 FA", "FB 00 00 01 39 10 01 11"}, 0x11FA, {true, true}},
             // A refusal (no elements, error 07) is the module's, not a client's.
             Case{BusInterface::Cemi,
                  {"FB 00 00 01 39 00 01 07", "FB 00 00 01 3A 10 01 FA"},
                  std::nullopt,
                  {true, true}},
             // Another object, another property, a write's answer.
             Case{BusInterface::Cemi,
                  {"FB 00 08 01 39 10 01 11", "FB 00 00 01 38 10 01 11", "F5 00 00 01 39 10 01"},
                  std::nullopt,
                  {false, false, false}},
         }) {
        SCOPED_TRACE(c.answers.front());
        BcuAddressRead read(c.interface);
        for (size_t i = 0; i < c.answers.size(); ++i) EXPECT_EQ(read.take(bytes(c.answers[i])), c.taken[i]);
        EXPECT_EQ(read.address(), c.address);
    }
    std::vector<std::string> requests;
    for (const auto& request : BcuAddressRead(BusInterface::Emi).requests()) requests.push_back(hex(request));
    for (const auto& request : BcuAddressRead(BusInterface::Cemi).requests()) requests.push_back(hex(request));
    EXPECT_EQ(requests, (std::vector<std::string>{"10 80 04 00 AC 02 01 17", "11 80 07 00 FC 00 00 01 39 10 01",
                                                  "11 80 07 00 FC 00 00 01 3A 10 01"}));
}

}  // namespace
}  // namespace lintor
