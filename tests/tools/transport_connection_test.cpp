// A device's transport connection on a time of the test's own: each step is
// a TPDU from a partner, an answer of the device's, or time passing, and
// what the device sends then ("address: TPDU", written out by hand).
#include "tools/bcusim/transport_connection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/individual_address.h"
#include "tests/support/bytes.h"

namespace lintor::bcusim {
namespace {

using std::chrono::milliseconds;
using Clock = TransportConnection::Clock;

constexpr uint16_t kHost = 0x11FA;      // 1.1.250
constexpr uint16_t kStranger = 0x1205;  // 1.2.5

struct Step {
    int atMs;
    enum { Receive, Send, Tick } what;
    uint16_t source;
    std::string tpdu;      // received, or the APDU to send (with TPCI byte 00)
    std::string expected;  // frames sent, "; " between them
    int apdusUp = 0;
};

std::string describe(const std::vector<TransportConnection::Output>& frames) {
    std::string text;
    for (const auto& frame : frames) {
        if (!text.empty()) text += "; ";
        text += formatIndividualAddress(frame.destination) + ": " + test::hex(tpdu::write(frame.pdu));
    }
    return text;
}

void run(const std::vector<Step>& steps) {
    TransportConnection connection;
    const Clock::time_point start{};
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        SCOPED_TRACE("step " + std::to_string(i) + " at " + std::to_string(step.atMs) + " ms");
        const auto now = start + milliseconds{step.atMs};
        std::vector<TransportConnection::Output> frames;
        size_t apdusUp = 0;
        if (step.what == Step::Receive) {
            const auto effects = connection.receive(step.source, *tpdu::read(test::bytes(step.tpdu)), now);
            frames = effects.frames;
            apdusUp = effects.apdus.size();
        } else if (step.what == Step::Send) {
            frames = connection.send(*tpdu::read(test::bytes(step.tpdu)), now);
        } else {
            frames = connection.checkTimeouts(now);
        }
        EXPECT_EQ(describe(frames), step.expected);
        EXPECT_EQ(apdusUp, static_cast<size_t>(step.apdusUp));
    }
}

TEST(TransportConnection, AcknowledgesDataInSequenceAndRefusesTheRest) {
    run({
        {0, Step::Receive, kHost, "80", ""},
        {10, Step::Receive, kHost, "43 00", "1.1.250: C2", 1},    // descriptor read, number 0
        {20, Step::Receive, kHost, "43 00", "1.1.250: C2", 0},    // its repetition: not passed up again
        {30, Step::Receive, kHost, "57 00", "1.1.250: D7", 0},    // number 5 out of turn: T_NAK 5
        {40, Step::Receive, kHost, "47 00", "1.1.250: C6", 1},    // number 1
        {50, Step::Receive, kStranger, "43 00", "1.2.5: 81", 0},  // not connected to it
        {60, Step::Receive, kStranger, "80", "1.2.5: 81", 0},     // busy with another partner
        {70, Step::Receive, kHost, "81", ""},
        {80, Step::Receive, kHost, "43 00", "1.1.250: 81", 0},  // closed now
    });
}

TEST(TransportConnection, AnswersWaitForTheirAcknowledgementAndAreRepeated) {
    run({
        {0, Step::Receive, kHost, "80", ""},
        {0, Step::Send, 0, "03 40 07 05", "1.1.250: 43 40 07 05"},
        {0, Step::Send, 0, "03 40 00 12", ""},  // waits behind the first
        {2999, Step::Tick, 0, "", ""},
        {3000, Step::Tick, 0, "", "1.1.250: 43 40 07 05"},
        {3100, Step::Receive, kHost, "C3", "1.1.250: 43 40 07 05"},  // T_NAK: once more
        {3200, Step::Receive, kHost, "C2", "1.1.250: 47 40 00 12"},  // T_ACK: the next, number 1
        {6200, Step::Tick, 0, "", "1.1.250: 47 40 00 12"},
        {9200, Step::Tick, 0, "", "1.1.250: 47 40 00 12"},
        {12200, Step::Tick, 0, "", "1.1.250: 47 40 00 12"},  // the third repetition
        {15200, Step::Tick, 0, "", "1.1.250: 81"},           // given up
        {15300, Step::Receive, kHost, "C6", "1.1.250: 81"},
    });
}

TEST(TransportConnection, ClosesAfterSixSecondsWithoutTraffic) {
    run({
        {0, Step::Receive, kHost, "80", ""},
        {5000, Step::Receive, kHost, "43 00", "1.1.250: C2", 1},
        {10999, Step::Tick, 0, "", ""},
        {11000, Step::Tick, 0, "", "1.1.250: 81"},
        {11100, Step::Receive, kStranger, "80", ""},  // free for another partner
    });
}

TEST(TransportConnection, AcknowledgementWithTheWrongNumberEndsTheConnection) {
    run({
        {0, Step::Receive, kHost, "80", ""},
        {0, Step::Send, 0, "03 40 07 05", "1.1.250: 43 40 07 05"},
        {10, Step::Receive, kHost, "C6", "1.1.250: 81"},
    });
}

TEST(TransportConnection, SequenceNumbersWrapAfterFifteen) {
    // Connected data numbered 0 to 15 (40 | n << 2, with A_DeviceDescriptor_Read's
    // 03) and their T_ACKs (C2 | n << 2).
    const std::vector<std::string> data{"43", "47", "4B", "4F", "53", "57", "5B", "5F",
                                        "63", "67", "6B", "6F", "73", "77", "7B", "7F"};
    const std::vector<std::string> acks{"C2", "C6", "CA", "CE", "D2", "D6", "DA", "DE",
                                        "E2", "E6", "EA", "EE", "F2", "F6", "FA", "FE"};
    std::vector<Step> steps{{0, Step::Receive, kHost, "80", ""}};
    for (size_t n = 0; n < data.size(); ++n) {
        steps.push_back({1, Step::Receive, kHost, data[n] + " 00", "1.1.250: " + acks[n], 1});
    }
    steps.push_back({2, Step::Receive, kHost, "43 00", "1.1.250: C2", 1});
    run(steps);
}

}  // namespace
}  // namespace lintor::bcusim
