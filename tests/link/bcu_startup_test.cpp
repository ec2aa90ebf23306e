#include "link/bcu_startup.h"

#include <gtest/gtest.h>

#include "link/serial_link.h"
#include "tests/support/bytes.h"
#include "tests/support/link_fakes.h"

namespace lintor {
namespace {

using test::hex;

class BcuStartupTest : public testing::Test {
protected:
    // What the worker would take from the downlink pipe, record by record.
    std::vector<std::string> queuedRecords() {
        std::vector<std::string> out;
        opener.device->writes.clear();
        while (link.takeDownlinkRecord()) out.push_back(hex(opener.device->writes.back()));
        return out;
    }

    MemorySettingsStore settings;
    test::RecordingOwner owner;
    test::RecordingOpener opener;
    SerialLink link{settings, owner, opener};
    BcuStartup startup{link, owner};

    void SetUp() override { link.openPort(); }
};

TEST_F(BcuStartupTest, EachAcknowledgementAdvancesToTheNextRecord) {
    EXPECT_EQ(startup.bcuInitState(), 3);
    startup.performInitStep();
    EXPECT_EQ(queuedRecords(), std::vector<std::string>{"10 40 40 16"});

    startup.handleAcknowledgement({MSG_BCU_ACK, 0});
    EXPECT_EQ(startup.bcuInitState(), 2);
    EXPECT_EQ(owner.posts(), (std::vector<PostedMessage>{{WM_BCU_INIT_STEP, 0, 0}}));
    startup.performInitStep();
    EXPECT_EQ(queuedRecords(), std::vector<std::string>{"68 08 08 68 73 A9 96 18 34 56 78 0A D6 16"});

    startup.handleAcknowledgement({MSG_BCU_ACK, 0});
    startup.performInitStep();
    EXPECT_EQ(queuedRecords(), std::vector<std::string>{"68 06 06 68 53 A6 01 01 16 00 11 16"});

    startup.handleAcknowledgement({MSG_BCU_ACK, 0});
    startup.performInitStep();
    EXPECT_TRUE(queuedRecords().empty());
    EXPECT_EQ(owner.statusTexts(StatusField::Bcu),
              (std::vector<std::string>{"reset..", "PEI_switch..", "set Addr-Table..", "connected to BCU"}));
}

TEST_F(BcuStartupTest, FinalStateIgnoresFurtherAcknowledgements) {
    for (int i = 0; i < 3; ++i) startup.handleAcknowledgement({MSG_BCU_ACK, 0});
    ASSERT_EQ(startup.bcuInitState(), 0);
    startup.handleAcknowledgement({MSG_BCU_ACK, 0});
    EXPECT_EQ(startup.bcuInitState(), 0);
    EXPECT_EQ(owner.posts().size(), 3u);
}

TEST_F(BcuStartupTest, AcknowledgementWithPayloadDoesNotAdvance) {
    startup.handleAcknowledgement({MSG_BCU_ACK, 1});
    EXPECT_EQ(startup.bcuInitState(), 3);
    EXPECT_TRUE(owner.posts().empty());
}

TEST_F(BcuStartupTest, StepHandledTwiceQueuesItsRecordTwice) {
    startup.performInitStep();
    startup.performInitStep();
    EXPECT_EQ(queuedRecords(), (std::vector<std::string>{"10 40 40 16", "10 40 40 16"}));
}

}  // namespace
}  // namespace lintor
