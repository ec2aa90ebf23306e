// The KNXnet/IP server's behaviour, driven datagram by datagram with a clock
// of the test's own.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "knxip/tunnel_server.h"
#include "tests/support/bytes.h"

namespace lintor::knxip {
namespace {

using namespace std::chrono_literals;
using test::bytes;
using test::hex;

constexpr UdpEndpoint kClient{0xC000020A, 50100};  // 192.0.2.10
constexpr UdpEndpoint kOther{0xC000020B, 50200};   // 192.0.2.11
constexpr UdpEndpoint kServer{0xC0000201, 3671};

struct Sent {
    UdpEndpoint to;
    std::string bytes;
};

class RecordingEvents final : public TunnelServerEvents {
public:
    void sendDatagram(const UdpEndpoint& to, uint32_t, std::span<const uint8_t> datagram) override {
        sent.push_back({to, hex(datagram)});
    }
    bool writeDownlink(std::span<const uint8_t> record, uint8_t) override {
        if (downlinkFull) return false;
        downlink.push_back(hex(record));
        return true;
    }
    // Records count as still queued unless the test has let them go to the BCU.
    bool withdrawDownlink(std::span<const uint8_t> record, uint8_t) override {
        const auto waiting = std::ranges::find(downlink, hex(record));
        if (downlinkSent || waiting == downlink.end()) return false;
        downlink.erase(waiting);
        ++withdrawn;
        return true;
    }
    UdpEndpoint localEndpointFor(const UdpEndpoint&, uint32_t) override { return kServer; }
    void tunnelOpened(size_t tunnel, const UdpEndpoint& peer) override {
        status.push_back("tunnel " + std::to_string(tunnel) + " connected from " + peer.text());
    }
    void tunnelClosed(size_t tunnel, std::string_view reason) override {
        status.push_back("tunnel " + std::to_string(tunnel) + " closed: " + std::string(reason));
    }
    void resetRequested() override { ++resets; }
    // The datagrams sent since the last call.
    std::vector<Sent> take() { return std::exchange(sent, {}); }

    std::vector<Sent> sent;
    std::vector<std::string> downlink;
    std::vector<std::string> status;
    bool downlinkFull = false;
    bool downlinkSent = false;
    int withdrawn = 0;
    int resets = 0;
};

// "08 01 C0 00 02 0A C3 B4": the client's endpoint as an HPAI.
const std::string kClientHpai = "08 01 C0 00 02 0A C3 B4";
const std::string kConnectTunnel = "06 10 02 05 00 1A " + kClientHpai + " " + kClientHpai + " 04 04 02 00";
// The same with endpoints 0.0.0.0:0: answer where the datagram came from.
const std::string kConnectFromHere = "06 10 02 05 00 1A 08 01 00 00 00 00 00 00 08 01 00 00 00 00 00 00 04 04 02 00";

std::string tunnellingRequest(int channel, int sequence, const std::string& cemi) {
    const auto body = bytes(cemi);
    char header[64];
    std::snprintf(header, sizeof header, "06 10 04 20 00 %02X 04 %02X %02X 00 ",
                  static_cast<unsigned>(10 + body.size()), static_cast<unsigned>(channel),
                  static_cast<unsigned>(sequence));
    return header + cemi;
}

// A DEVICE_CONFIGURATION_REQUEST (0310) or its ack (0311) on the channel.
std::string deviceConfigurationRequest(int channel, int sequence, const std::string& cemi) {
    char header[64];
    std::snprintf(header, sizeof header, "06 10 03 10 00 %02X 04 %02X %02X 00 ",
                  static_cast<unsigned>(10 + bytes(cemi).size()), static_cast<unsigned>(channel),
                  static_cast<unsigned>(sequence));
    return header + cemi;
}
std::string deviceConfigurationAck(int channel, int sequence) {
    char ack[64];
    std::snprintf(ack, sizeof ack, "06 10 03 11 00 0A 04 %02X %02X 00", static_cast<unsigned>(channel),
                  static_cast<unsigned>(sequence));
    return ack;
}

class TunnelServerTest : public testing::Test {
protected:
    TunnelServerTest() : server(settings(), events) { server.setBusConnected(true); }

    static TunnelSettings settings() {
        TunnelSettings s;
        s.identity.name = "Lintor";
        s.identity.individualAddress = 0xFFF0;
        s.firstTunnelAddress = 0xFFF1;
        s.tunnelCount = 2;
        return s;
    }
    void receive(const std::string& datagram, UdpEndpoint from = kClient) {
        server.receive(from, bytes(datagram), now);
    }
    void advance(std::chrono::milliseconds step) {
        now += step;
        server.expire(now);
    }
    // Opens a tunnel from the endpoint; its channel.
    int connect(UdpEndpoint from = kClient) {
        receive(kConnectFromHere, from);
        const auto sent = events.take();
        EXPECT_EQ(sent.size(), 1U);
        return static_cast<int>(bytes(sent.at(0).bytes).at(6));
    }

    RecordingEvents events;
    TunnelServer server;
    TimePoint now{};
};

TEST_F(TunnelServerTest, ConnectGivesEachTunnelItsAddressUntilNoneIsLeft) {
    receive(kConnectTunnel);
    auto sent = events.take();
    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0].to, kClient);
    EXPECT_EQ(sent[0].bytes, "06 10 02 06 00 14 01 00 08 01 C0 00 02 01 0E 57 04 04 FF F1");
    EXPECT_EQ(events.status.at(0), "tunnel 1 connected from 192.0.2.10:50100");

    receive(kConnectFromHere, kOther);
    EXPECT_EQ(events.take().at(0).bytes, "06 10 02 06 00 14 02 00 08 01 C0 00 02 01 0E 57 04 04 FF F2");
    receive(kConnectFromHere, kOther);
    EXPECT_EQ(events.take().at(0).bytes, "06 10 02 06 00 08 00 24");  // E_NO_MORE_CONNECTIONS
}

TEST_F(TunnelServerTest, ConnectRefusalsCarryTheStandardsCodes) {
    struct Case {
        std::string cri;
        std::string status;
    };
    for (const Case& c :
         {Case{"04 04 80 00", "29"},                    // bus monitor layer: E_TUNNELLING_LAYER
          Case{"04 06 02 00", "22"},                    // remote logging: E_CONNECTION_TYPE
          Case{"02 08", "22"}, Case{"02 04", "23"}}) {  // a tunnel without its layer: E_CONNECTION_OPTION
        const auto length = static_cast<unsigned>(22 + bytes(c.cri).size());
        char header[32];
        std::snprintf(header, sizeof header, "06 10 02 05 00 %02X ", length);
        receive(header + kClientHpai + " " + kClientHpai + " " + c.cri);
        EXPECT_EQ(events.take().at(0).bytes, "06 10 02 06 00 08 00 " + c.status) << c.cri;
    }
    receive("06 10 02 05 00 1A 08 02 C0 00 02 0A C3 B4 " + kClientHpai + " 04 04 02 00");  // TCP endpoint
    EXPECT_EQ(events.take().at(0).bytes, "06 10 02 06 00 08 00 01");

    server.setBusConnected(false);
    receive(kConnectTunnel);
    EXPECT_EQ(events.take().at(0).bytes, "06 10 02 06 00 08 00 27");  // E_KNX_CONNECTION
    EXPECT_TRUE(events.status.empty());
}

TEST_F(TunnelServerTest, ClientBehindNatIsAnsweredWhereItsDatagramsCameFrom) {
    receive(kConnectFromHere, kOther);
    EXPECT_EQ(events.take().at(0).to, kOther);
    receive(tunnellingRequest(1, 0, "11 00 BC E0 00 00 0A 03 01 00 81"), kOther);
    EXPECT_EQ(events.take().at(0).to, kOther);
}

TEST_F(TunnelServerTest, RequestGoesToTheBusOnceWithTheTunnelsAddressFilledIn) {
    const int channel = connect();
    receive(tunnellingRequest(channel, 0, "11 00 BC E0 00 00 0A 03 01 00 81"));
    EXPECT_EQ(events.take().at(0).bytes, "06 10 04 21 00 0A 04 01 00 00");
    ASSERT_EQ(events.downlink.size(), 1U);
    EXPECT_EQ(events.downlink[0], "10 80 09 00 11 0C FF F1 0A 03 E1 00 81");

    // The same again: acknowledged, not sent again.
    receive(tunnellingRequest(channel, 0, "11 00 BC E0 00 00 0A 03 01 00 81"));
    EXPECT_EQ(events.take().at(0).bytes, "06 10 04 21 00 0A 04 01 00 00");
    // Out of order: neither.
    receive(tunnellingRequest(channel, 5, "11 00 BC E0 00 00 0A 03 01 00 80"));
    EXPECT_TRUE(events.take().empty());
    // A source of its own is kept.
    receive(tunnellingRequest(channel, 1, "11 00 BC E0 11 05 0A 03 01 00 80"));
    EXPECT_EQ(events.take().at(0).bytes, "06 10 04 21 00 0A 04 01 01 00");
    ASSERT_EQ(events.downlink.size(), 2U);
    EXPECT_EQ(events.downlink[1], "10 80 09 00 11 0C 11 05 0A 03 E1 00 80");
}

TEST_F(TunnelServerTest, UnknownAndBrokenMessagesAreAcknowledgedAndIgnored) {
    const int channel = connect();
    receive(tunnellingRequest(channel, 0, "FC 00 00 01 0B 10 01"));              // M_PropRead.req in a tunnel
    receive(tunnellingRequest(channel, 1, "11 00 BC E0 00 00 0A 03 05 00 81"));  // cut short
    receive(tunnellingRequest(channel, 2, ""));
    const auto sent = events.take();
    ASSERT_EQ(sent.size(), 3U);
    EXPECT_EQ(sent[2].bytes, "06 10 04 21 00 0A 04 01 02 00");
    EXPECT_TRUE(events.downlink.empty());
}

TEST_F(TunnelServerTest, ConfirmationGoesBackToTheSenderAndTheTelegramToTheOtherTunnels) {
    const int first = connect();
    const int second = connect(kOther);
    receive(tunnellingRequest(first, 0, "11 00 BC E0 00 00 0A 03 01 00 81"));
    events.take();
    // The BCU's L_Data.con, as the bus link records it; the BCU put in its own source.
    server.uplinkRecord(bytes("00 88 0A 00 BC 11 FF 0A 03 E1 00 81 00 16"), now);
    auto sent = events.take();
    ASSERT_EQ(sent.size(), 2U);
    EXPECT_EQ(sent[0].to, kClient);
    EXPECT_EQ(sent[0].bytes, "06 10 04 20 00 15 04 01 00 00 2E 00 BC E0 FF F1 0A 03 01 00 81");
    // The others hear it as the bus did.
    EXPECT_EQ(sent[1].to, kOther);
    EXPECT_EQ(sent[1].bytes, "06 10 04 20 00 15 04 02 00 00 29 00 BC E0 11 FF 0A 03 01 00 81");
    receive("06 10 04 21 00 0A 04 01 00 00");
    receive("06 10 04 21 00 0A 04 02 00 00", kOther);

    // What another port's client sent reaches every tunnel, as none of them
    // would hear it otherwise; a failed one reaches none.
    server.uplinkRecord(bytes("00 88 0A 00 BC 11 FF 0A 04 E1 00 80 00 16"), now);
    sent = events.take();
    ASSERT_EQ(sent.size(), 2U);
    EXPECT_EQ(sent[0].bytes, "06 10 04 20 00 15 04 01 01 00 29 00 BC E0 11 FF 0A 04 01 00 80");
    EXPECT_EQ(sent[1].to, kOther);
    receive("06 10 04 21 00 0A 04 01 01 00");
    receive("06 10 04 21 00 0A 04 02 01 00", kOther);
    server.uplinkRecord(bytes("00 88 0A 00 BD 11 FF 0A 04 E1 00 80 00 16"), now);
    EXPECT_TRUE(events.take().empty());
    (void)second;
}

TEST_F(TunnelServerTest, RequestsTheLinkCannotTakeAreRefusedAtOnce) {
    const int channel = connect();
    events.downlinkFull = true;
    receive(tunnellingRequest(channel, 0, "11 00 BC E0 00 00 0A 03 01 00 81"));
    auto sent = events.take();
    ASSERT_EQ(sent.size(), 2U);
    EXPECT_EQ(sent[1].bytes, "06 10 04 20 00 15 04 01 00 00 2E 00 BD E0 FF F1 0A 03 01 00 81");
    receive("06 10 04 21 00 0A 04 01 00 00");

    // One tunnel may have only so many requests unconfirmed.
    events.downlinkFull = false;
    for (int i = 1; i <= static_cast<int>(TunnelServer::PENDING_PER_TUNNEL) + 1; ++i) {
        receive(tunnellingRequest(channel, i, "11 00 BC E0 00 00 0A 03 01 00 81"));
    }
    EXPECT_EQ(events.downlink.size(), TunnelServer::PENDING_PER_TUNNEL);
    sent = events.take();
    EXPECT_EQ(sent.back().bytes, "06 10 04 20 00 15 04 01 01 00 2E 00 BD E0 FF F1 0A 03 01 00 81");
}

TEST_F(TunnelServerTest, ConfirmationTellsWhatBecameOfTheTelegram) {
    const std::string negative = "06 10 04 20 00 15 04 01 00 00 2E 00 BD E0 FF F1 0A 03 01 00 81";
    const std::string positive = "06 10 04 20 00 15 04 01 00 00 2E 00 BC E0 FF F1 0A 03 01 00 81";
    const std::string bcuConfirms = "00 88 0A 00 BC FF F1 0A 03 E1 00 81 00 16";
    struct Case {
        const char* what;
        bool sent;                           // gone to the BCU before the first deadline
        std::chrono::milliseconds bcuAfter;  // the BCU's confirmation; 0: none
        std::chrono::milliseconds answerAt;
        std::string answer;
        int withdrawn;
    };
    const Case cases[] = {
        {"still queued at 3 s: taken back, not sent", false, 0ms, 3000ms, negative, 1},
        {"sent, confirmed late by the BCU", true, 4000ms, 4000ms, positive, 0},
        {"sent, the BCU never says", true, 0ms, 8000ms, negative, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingEvents caseEvents;
        TunnelServer caseServer(settings(), caseEvents);
        caseServer.setBusConnected(true);
        TimePoint at{};
        caseServer.receive(kClient, bytes(kConnectFromHere), at);
        caseServer.receive(kClient, bytes(tunnellingRequest(1, 0, "11 00 BC E0 00 00 0A 03 01 00 81")), at);
        caseEvents.take();
        caseEvents.downlinkSent = c.sent;
        std::string answer;
        for (auto t = 100ms; t <= 9000ms && answer.empty(); t += 100ms) {
            if (t == c.bcuAfter) caseServer.uplinkRecord(bytes(bcuConfirms), at + t);
            caseServer.expire(at + t);
            for (const Sent& sent : caseEvents.take()) {
                if (bytes(sent.bytes).at(10) == 0x2E) answer = sent.bytes;
            }
            if (!answer.empty()) {
                EXPECT_EQ(t, c.answerAt);
            }
        }
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(caseEvents.withdrawn, c.withdrawn);
    }
}

TEST_F(TunnelServerTest, WhileTheBusIsDownRequestsAreRefusedAtOnce) {
    const int channel = connect();
    server.setBusConnected(false);
    receive(tunnellingRequest(channel, 0, "11 00 BC E0 00 00 0A 03 01 00 81"));
    const auto sent = events.take();
    ASSERT_EQ(sent.size(), 2U);
    EXPECT_EQ(sent[1].bytes, "06 10 04 20 00 15 04 01 00 00 2E 00 BD E0 FF F1 0A 03 01 00 81");
    EXPECT_TRUE(events.downlink.empty());
    receive("06 10 02 07 00 10 01 00 " + kClientHpai);
    EXPECT_EQ(events.take().at(0).bytes, "06 10 02 08 00 08 01 27");
}

TEST_F(TunnelServerTest, IndicationReachesEveryTunnelInSequenceOneAtATime) {
    const int first = connect();
    connect(kOther);
    const auto indication = bytes("02 10 0A 00 BC 11 0B 08 01 E1 00 81 7A 16");  // MSG_GROUP_VALUE_WRITE
    server.uplinkRecord(indication, now);
    auto sent = events.take();
    ASSERT_EQ(sent.size(), 2U);
    EXPECT_EQ(sent[0].bytes, "06 10 04 20 00 15 04 01 00 00 29 00 BC E0 11 0B 08 01 01 00 81");
    EXPECT_EQ(sent[1].to, kOther);

    // The next waits for the acknowledgement of the one in flight.
    server.uplinkRecord(indication, now);
    EXPECT_TRUE(events.take().empty());
    receive("06 10 04 21 00 0A 04 01 00 00");
    sent = events.take();
    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0].bytes.substr(0, 29), "06 10 04 20 00 15 04 01 01 00");
    (void)first;

    // An acknowledgement for another sequence number changes nothing.
    receive("06 10 04 21 00 0A 04 01 07 00");
    EXPECT_TRUE(events.take().empty());
}

TEST_F(TunnelServerTest, UnacknowledgedRequestIsSentOnceMoreThenTheTunnelCloses) {
    connect();
    server.uplinkRecord(bytes("02 10 0A 00 BC 11 0B 08 01 E1 00 81 7A 16"), now);
    const std::string request = events.take().at(0).bytes;
    advance(900ms);
    EXPECT_TRUE(events.take().empty());
    advance(150ms);
    EXPECT_EQ(events.take().at(0).bytes, request);
    advance(1000ms);
    const auto sent = events.take();
    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0].bytes, "06 10 02 09 00 10 01 00 08 01 C0 00 02 01 0E 57");
    EXPECT_EQ(events.status.back(), "tunnel 1 closed: the client did not acknowledge");
    EXPECT_EQ(server.connectionCount(), 0U);
}

TEST_F(TunnelServerTest, HeartbeatKeepsTheTunnelAndItsAbsenceClosesIt) {
    const int channel = connect();
    advance(100s);
    receive("06 10 02 07 00 10 01 00 " + kClientHpai);
    EXPECT_EQ(events.take().at(0).bytes, "06 10 02 08 00 08 01 00");
    advance(119s);
    EXPECT_EQ(server.connectionCount(), 1U);
    advance(1s);
    EXPECT_EQ(events.take().at(0).bytes, "06 10 02 09 00 10 01 00 08 01 C0 00 02 01 0E 57");
    EXPECT_EQ(events.status.back(), "tunnel 1 closed: no heartbeat for 120 s");
    (void)channel;
}

TEST_F(TunnelServerTest, UnknownChannelsAndStrangersAreToldSo) {
    connect();
    receive("06 10 02 07 00 10 09 00 " + kClientHpai);
    EXPECT_EQ(events.take().at(0).bytes, "06 10 02 08 00 08 09 21");
    // Another host may not keep our tunnel alive or close it.
    receive("06 10 02 07 00 10 01 00 " + kClientHpai, kOther);
    EXPECT_EQ(events.take().at(0).bytes, "06 10 02 08 00 08 01 21");
    receive("06 10 02 09 00 10 01 00 " + kClientHpai, kOther);
    EXPECT_EQ(events.take().at(0).bytes, "06 10 02 0A 00 08 01 21");
    // Nor may another program on the client's host.
    receive("06 10 02 09 00 10 01 00 " + kClientHpai, {kClient.address, 50101});
    EXPECT_EQ(events.take().at(0).bytes, "06 10 02 0A 00 08 01 21");
    receive(tunnellingRequest(1, 0, "11 00 BC E0 00 00 0A 03 01 00 81"), {kClient.address, 50101});
    EXPECT_TRUE(events.take().empty());
    EXPECT_EQ(server.connectionCount(), 1U);
    receive(tunnellingRequest(9, 0, "11 00 BC E0 00 00 0A 03 01 00 81"));
    EXPECT_EQ(events.take().at(0).bytes, "06 10 04 21 00 0A 04 09 00 21");
    EXPECT_TRUE(events.downlink.empty());
}

TEST_F(TunnelServerTest, DisconnectFreesTheTunnelForTheNextClient) {
    connect();
    connect(kOther);
    receive("06 10 02 09 00 10 01 00 " + kClientHpai);
    EXPECT_EQ(events.take().at(0).bytes, "06 10 02 0A 00 08 01 00");
    EXPECT_EQ(events.status.back(), "tunnel 1 closed: the client disconnected");
    receive(kConnectTunnel);
    const auto sent = events.take();
    EXPECT_EQ(sent.at(0).bytes.substr(sent[0].bytes.size() - 5), "FF F1");
    server.disconnectAll();
    EXPECT_EQ(events.take().size(), 2U);
}

TEST_F(TunnelServerTest, AnswersGoToTheAskingHostNeverToAnother) {
    // Its own address with another port: that port.
    receive("06 10 02 03 00 0E 08 01 C0 00 02 0A 0E 58");
    auto sent = events.take();
    EXPECT_EQ(sent.at(0).to, (UdpEndpoint{kClient.address, 3672}));
    EXPECT_EQ(sent[0].bytes.substr(0, 17), "06 10 02 04 00 44");
    // Another host's endpoint would make us a reflector towards it.
    receive("06 10 02 01 00 0E 08 01 C0 00 02 0B C4 18");
    sent = events.take();
    EXPECT_EQ(sent.at(0).to, kClient);
    EXPECT_EQ(sent[0].bytes.substr(0, 41), "06 10 02 02 00 4C 08 01 C0 00 02 01 0E 57");
    receive(kConnectTunnel, kOther);
    EXPECT_EQ(events.take().at(0).to, kOther);
}

TEST_F(TunnelServerTest, AcknowledgementWithAnErrorIsNoAcknowledgement) {
    connect();
    server.uplinkRecord(bytes("02 10 0A 00 BC 11 0B 08 01 E1 00 81 7A 16"), now);
    const std::string request = events.take().at(0).bytes;
    receive("06 10 04 21 00 0A 04 01 00 29");
    advance(1001ms);
    EXPECT_EQ(events.take().at(0).bytes, request);
}

TEST_F(TunnelServerTest, FirstRequestMustCarrySequenceZero) {
    const int channel = connect();
    receive(tunnellingRequest(channel, 255, "11 00 BC E0 00 00 0A 03 01 00 81"));
    EXPECT_TRUE(events.take().empty());
    EXPECT_TRUE(events.downlink.empty());
}

TEST_F(TunnelServerTest, DeviceManagementReadsTheInterfaceObjectsAndResets) {
    receive("06 10 02 05 00 18 " + kClientHpai + " " + kClientHpai + " 02 03");
    auto sent = events.take();
    EXPECT_EQ(sent.at(0).bytes, "06 10 02 06 00 12 01 00 08 01 C0 00 02 01 0E 57 02 03");
    struct Case {
        const char* request;  // cEMI: code, object type, instance, property, count and start index
        const char* answer;
    };
    int sequence = 0;
    for (const Case& c : {
             // The parameter object's individual address, 15.15.240.
             Case{"FC 00 0B 01 34 10 01", "FB 00 0B 01 34 10 01 FF F0"},
             // The device object's serial number, the settings' zeros.
             Case{"FC 00 00 01 0B 10 01", "FB 00 00 01 0B 10 01 00 00 00 00 00 00"},
             // Largest APDU 15; the mask version of a TP1 System 7 device.
             Case{"FC 00 00 01 38 10 01", "FB 00 00 01 38 10 01 00 0F"},
             Case{"FC 00 00 01 53 10 01", "FB 00 00 01 53 10 01 07 05"},
             // Index 0: how many elements there are.
             Case{"FC 00 00 01 0B 10 00", "FB 00 00 01 0B 10 00 00 01"},
             // Errors, with no elements: index out of range, no such
             // property, no second instance, and nothing can be written.
             Case{"FC 00 00 01 0B 10 02", "FB 00 00 01 0B 00 02 09"},
             Case{"FC 00 00 01 99 10 01", "FB 00 00 01 99 00 01 07"},
             Case{"FC 00 00 02 0B 10 01", "FB 00 00 02 0B 00 01 07"},
             Case{"F6 00 00 01 0B 10 01 11 22 33 44 55 66", "F5 00 00 01 0B 00 01 05"},
         }) {
        SCOPED_TRACE(c.request);
        receive(deviceConfigurationRequest(1, sequence, c.request));
        sent = events.take();
        ASSERT_EQ(sent.size(), 2U);
        EXPECT_EQ(sent[1].bytes, deviceConfigurationRequest(1, sequence, c.answer));
        receive(deviceConfigurationAck(1, sequence++));
    }
    // M_Reset.req: the start-up begins again, and the client hears so.
    receive(deviceConfigurationRequest(1, sequence, "F1"));
    sent = events.take();
    ASSERT_EQ(sent.size(), 2U);
    EXPECT_EQ(sent[1].bytes, deviceConfigurationRequest(1, sequence, "F0"));
    EXPECT_EQ(events.resets, 1);
    EXPECT_TRUE(events.status.empty());
}

}  // namespace
}  // namespace lintor::knxip
