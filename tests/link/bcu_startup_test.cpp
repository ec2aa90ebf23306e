#include "link/bcu_startup.h"

#include <gtest/gtest.h>

#include "link/serial_link.h"
#include "tests/support/bytes.h"
#include "tests/support/link_fakes.h"
#include "tests/support/serial_link_seam.h"

namespace lintor {
namespace {

using test::hex;

class BcuStartupTest : public testing::Test {
protected:
    // What the worker would take from the downlink pipe, record by record.
    std::vector<std::string> queuedRecords() {
        std::vector<std::string> out;
        opener.device->writes.clear();
        while (worker.takeDownlinkRecord()) out.push_back(hex(opener.device->writes.back()));
        return out;
    }

    test::RecordingLinkEvents owner;
    test::RecordingOpener opener;
    SerialLink link{owner, opener, "/dev/ttyS0"};
    SerialLinkSeam worker{link};
    BcuStartup startup{link, owner};

    void SetUp() override { worker.openPort(); }
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
    EXPECT_EQ(owner.steps(), (std::vector<BcuInitStep>{BcuInitStep::Reset, BcuInitStep::PeiSwitch,
                                                       BcuInitStep::AddressTable, BcuInitStep::Connected}));
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

TEST_F(BcuStartupTest, StartupAfterClientTrafficStillSendsItsFramesWith73Then53) {
    // A client's frame has gone out first: the count is even now.
    ASSERT_TRUE(link.writeDownlink(test::bytes("10 80 01 00 41")));
    EXPECT_EQ(queuedRecords(), std::vector<std::string>{"68 02 02 68 73 41 B4 16"});
    for (int step = 0; step < 3; ++step) {
        startup.performInitStep();
        startup.handleAcknowledgement({MSG_BCU_ACK, 0});
    }
    opener.device->writes.clear();
    std::vector<std::string> sent;
    while (worker.takeDownlinkRecord()) sent.push_back(hex(opener.device->writes.back()));
    EXPECT_EQ(sent, (std::vector<std::string>{"10 40 40 16", "68 08 08 68 73 A9 96 18 34 56 78 0A D6 16",
                                              "68 06 06 68 53 A6 01 01 16 00 11 16"}));
}

TEST_F(BcuStartupTest, StepHandledTwiceQueuesItsRecordTwice) {
    startup.performInitStep();
    startup.performInitStep();
    EXPECT_EQ(queuedRecords(), (std::vector<std::string>{"10 40 40 16", "10 40 40 16"}));
}

}  // namespace
}  // namespace lintor
