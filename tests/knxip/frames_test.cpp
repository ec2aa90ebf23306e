// KNXnet/IP frames against bytes written out by hand from the standard's
// layouts.
#include <gtest/gtest.h>

#include "knxip/frame_reader.h"
#include "knxip/frame_writer.h"
#include "knxip/knxip_protocol.h"
#include "tests/support/bytes.h"

namespace lintor::knxip {
namespace {

using test::bytes;
using test::hex;

constexpr uint32_t kLoopback = 0x7F000001;

// What knxd's tunnelling driver sends: control and data endpoint
// 127.0.0.1:50100, a tunnel on the link layer.
const std::string kConnectRequest = "06 10 02 05 00 1A 08 01 7F 00 00 01 C3 B4 08 01 7F 00 00 01 C3 B4 04 04 02 00";

TEST(KnxIpFrameReader, ReadsEveryRequestAClientSends) {
    const auto connect = std::get<ConnectRequest>(*readRequest(bytes(kConnectRequest)).request);
    EXPECT_EQ(connect.control.protocol, IPV4_UDP);
    EXPECT_EQ(connect.control.endpoint, (UdpEndpoint{kLoopback, 50100}));
    EXPECT_EQ(connect.data.endpoint, (UdpEndpoint{kLoopback, 50100}));
    EXPECT_EQ(connect.connectionType, TUNNEL_CONNECTION);
    EXPECT_EQ(connect.layer, TUNNEL_LINKLAYER);

    const auto management = std::get<ConnectRequest>(*readRequest(bytes("06 10 02 05 00 18 08 01 00 00 00 00 00 00 "
                                                                        "08 01 00 00 00 00 00 00 02 03"))
                                                          .request);
    EXPECT_EQ(management.connectionType, DEVICE_MGMT_CONNECTION);
    EXPECT_TRUE(management.control.isRouteBack());

    const auto state = std::get<ConnectionStateRequest>(
        *readRequest(bytes("06 10 02 07 00 10 15 00 08 01 C0 00 02 0A 0E 57")).request);
    EXPECT_EQ(state.channel, 0x15);
    EXPECT_EQ(state.control.endpoint, (UdpEndpoint{0xC000020A, 3671}));

    const auto tunnellingDatagram = bytes("06 10 04 20 00 15 04 01 07 00 11 00 BC E0 00 00 0A 03 01 00 81");
    const auto tunnelling = std::get<ChannelMessage>(*readRequest(tunnellingDatagram).request);
    EXPECT_FALSE(tunnelling.deviceConfiguration);
    EXPECT_EQ(tunnelling.header.channel, 1);
    EXPECT_EQ(tunnelling.header.sequence, 7);
    EXPECT_EQ(hex(tunnelling.cemi), "11 00 BC E0 00 00 0A 03 01 00 81");

    const auto ack = std::get<ChannelAck>(*readRequest(bytes("06 10 04 21 00 0A 04 01 07 00")).request);
    EXPECT_EQ(ack.header.sequence, 7);
    const auto search =
        std::get<SearchRequest>(*readRequest(bytes("06 10 02 01 00 0E 08 01 7F 00 00 01 C3 B4")).request);
    EXPECT_EQ(search.discovery.endpoint.port, 50100);
    EXPECT_TRUE(std::holds_alternative<DisconnectResponse>(*readRequest(bytes("06 10 02 0A 00 08 01 00")).request));
}

TEST(KnxIpFrameReader, RefusesWhatDoesNotAddUp) {
    struct Case {
        std::string datagram;
        ReadFailure failure;
    };
    for (const Case& c : {
             Case{"06 10 02", ReadFailure::BadHeader},
             Case{"05 10 02 05 00 1A", ReadFailure::BadHeader},                                // header size
             Case{"06 20 02 07 00 10 15 00 08 01 C0 00 02 0A 0E 57", ReadFailure::BadHeader},  // version
             Case{"06 10 02 07 00 11 15 00 08 01 C0 00 02 0A 0E 57", ReadFailure::BadHeader},  // longer than sent
             Case{"06 10 02 07 00 05", ReadFailure::BadHeader},                                // shorter than a header
             Case{"06 10 07 77 00 06", ReadFailure::UnknownService},
             Case{"06 10 02 07 00 0F 15 00 08 01 C0 00 02 0A 0E", ReadFailure::BadBody},     // HPAI cut
             Case{"06 10 02 07 00 10 15 00 07 01 C0 00 02 0A 0E 57", ReadFailure::BadBody},  // HPAI length
             Case{"06 10 04 20 00 09 04 01 07", ReadFailure::BadBody},                       // connection header cut
             Case{"06 10 04 20 00 0A 05 01 07 00", ReadFailure::BadBody},                    // its length
             Case{"06 10 02 05 00 19 08 01 7F 00 00 01 C3 B4 08 01 7F 00 00 01 C3 B4 04 04 02", ReadFailure::BadBody},
             Case{"06 10 02 05 00 17 08 01 7F 00 00 01 C3 B4 08 01 7F 00 00 01 C3 B4 01", ReadFailure::BadBody},
         }) {
        const ReadResult result = readRequest(bytes(c.datagram));
        EXPECT_FALSE(result.request) << c.datagram;
        EXPECT_EQ(result.failure, c.failure) << c.datagram;
    }
}

TEST(KnxIpFrameReader, BytesAfterTheTotalLengthAreNotPartOfTheFrame) {
    const auto datagram = bytes("06 10 04 20 00 0E 04 01 00 00 11 00 BC E0 FF FF");
    const auto tunnelling = std::get<ChannelMessage>(*readRequest(datagram).request);
    EXPECT_EQ(hex(tunnelling.cemi), "11 00 BC E0");
}

TEST(KnxIpFrameWriter, ResponsesByteForByte) {
    const Hpai ours{IPV4_UDP, {kLoopback, 3671}};
    EXPECT_EQ(hex(connectResponse(1, ours, 0xFFF1)), "06 10 02 06 00 14 01 00 08 01 7F 00 00 01 0E 57 04 04 FF F1");
    EXPECT_EQ(hex(deviceManagementConnectResponse(2, ours)), "06 10 02 06 00 12 02 00 08 01 7F 00 00 01 0E 57 02 03");
    EXPECT_EQ(hex(connectRefused(status::E_NO_MORE_CONNECTIONS)), "06 10 02 06 00 08 00 24");
    EXPECT_EQ(hex(connectionStateResponse(1, status::E_CONNECTION_ID)), "06 10 02 08 00 08 01 21");
    EXPECT_EQ(hex(disconnectRequest(3, ours)), "06 10 02 09 00 10 03 00 08 01 7F 00 00 01 0E 57");
    EXPECT_EQ(hex(disconnectResponse(3, status::E_NO_ERROR)), "06 10 02 0A 00 08 03 00");
    EXPECT_EQ(hex(channelAck(false, 1, 9, status::E_NO_ERROR)), "06 10 04 21 00 0A 04 01 09 00");
    EXPECT_EQ(hex(channelAck(true, 1, 9, status::E_CONNECTION_ID)), "06 10 03 11 00 0A 04 01 09 21");
    EXPECT_EQ(hex(channelMessage(false, 1, 2, bytes("29 00 BC E0 11 0B 08 01 01 00 81"))),
              "06 10 04 20 00 15 04 01 02 00 29 00 BC E0 11 0B 08 01 01 00 81");
}

TEST(KnxIpFrameWriter, DescriptionNamesTheDeviceOnTp1WithItsServiceFamilies) {
    DeviceIdentity identity;
    identity.name = "Küche 1";
    identity.individualAddress = 0xFFF0;
    identity.macAddress = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
    std::string padding;
    for (int i = 0; i < 23; ++i) padding += " 00";
    EXPECT_EQ(hex(descriptionResponse(identity)),
              "06 10 02 04 00 44 "
              "36 01 02 00 FF F0 00 00 00 00 00 00 00 00 00 00 00 00 02 00 00 00 00 01 "
              "4B FC 63 68 65 20 31" +
                  padding + " 08 02 02 01 03 01 04 01");
    const auto search = searchResponse({IPV4_UDP, {kLoopback, 3671}}, identity);
    EXPECT_EQ(hex(std::span(search).first(14)), "06 10 02 02 00 4C 08 01 7F 00 00 01 0E 57");
    EXPECT_EQ(search.size(), 0x4CU);
}

TEST(KnxIpFrameWriter, FriendlyNameIsLatin1CutTo30Bytes) {
    const auto euro = friendlyNameField("a€b");
    EXPECT_EQ(hex(std::span(euro).first(4)), "61 3F 62 00");
    const auto invalid = friendlyNameField(
        "\xFF"
        "x");
    EXPECT_EQ(hex(std::span(invalid).first(3)), "3F 78 00");
    const auto longName = friendlyNameField(std::string(40, 'z'));
    EXPECT_EQ(longName.back(), 'z');
}

}  // namespace
}  // namespace lintor::knxip
