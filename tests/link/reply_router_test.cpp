// Whose a device's answer is, with records written out by hand.
#include "link/reply_router.h"

#include <gtest/gtest.h>

#include "tests/support/bytes.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using test::bytes;
using To = Delivery::To;

// MSG_DATA_TO_BCU, L_Data.req from 0.0.0 to 1.1.11 (individual, hop count
// 6): T_Connect.
constexpr const char* kConnectTo1111 = "10 80 08 00 11 B0 00 00 11 0B 60 80";
// The same to group 1/1/1: a group value read.
constexpr const char* kGroupRead = "10 80 09 00 11 BC 00 00 09 01 E1 00 00";

// Uplink records, control byte first, checksum and end byte last: from
// 1.1.11 to 1.1.250, T_ACK 0 (record type 0x10F6); from 1.1.12 likewise; a group write from
// 1.1.11; the BCU's confirmation of the connect.
constexpr const char* kAckFrom1111 = "F6 10 09 00 B0 11 0B 11 FA 60 C2 00 16";
constexpr const char* kAckFrom1112 = "F6 10 09 00 B0 11 0C 11 FA 60 C2 00 16";
constexpr const char* kGroupFrom1111 = "02 10 0A 00 BC 11 0B 09 01 E1 00 81 00 16";
constexpr const char* kConfirmOfConnect = "00 88 09 00 B0 00 00 11 0B 60 80 00 16";

TEST(ReplyRouter, AnAnswerGoesToWhoeverIsTalkingToItsDevice) {
    ReplyRouter router;
    const auto start = ReplyRouter::Clock::time_point{};
    router.requestSent(To::GatewayClient, 7, bytes(kConnectTo1111), start);
    router.requestSent(To::Tunnel, 3, bytes(kGroupRead), start);
    const Delivery client7{To::GatewayClient, 7};
    struct Case {
        const char* what;
        const char* record;
        Delivery delivery;
    };
    for (const Case& c : {
             Case{"the device talked to", kAckFrom1111, client7},
             Case{"the confirmation of the request", kConfirmOfConnect, client7},
             Case{"another device", kAckFrom1112, Delivery::everyone()},
             Case{"a group telegram from the device", kGroupFrom1111, Delivery::everyone()},
         }) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(router.route(bytes(c.record), start + 1s), c.delivery);
    }
    // Each answer keeps the conversation alive; silence ends it.
    EXPECT_EQ(router.route(bytes(kAckFrom1111), start + 1s + ReplyRouter::IDLE_LIMIT - 1ms), client7);
    EXPECT_EQ(router.route(bytes(kAckFrom1111), start + 1s + 2 * ReplyRouter::IDLE_LIMIT), Delivery::everyone());
}

TEST(ReplyRouter, TheLastToSpeakToADeviceOrAClientsLeavingDecides) {
    ReplyRouter router;
    const auto now = ReplyRouter::Clock::time_point{};
    router.requestSent(To::GatewayClient, 7, bytes(kConnectTo1111), now);
    router.requestSent(To::Tunnel, 3, bytes(kConnectTo1111), now);
    EXPECT_EQ(router.route(bytes(kAckFrom1111), now), (Delivery{To::Tunnel, 3}));
    router.clientGone(To::GatewayClient, 3);  // another port's 3
    EXPECT_EQ(router.route(bytes(kAckFrom1111), now), (Delivery{To::Tunnel, 3}));
    router.clientGone(To::Tunnel, 3);
    EXPECT_EQ(router.route(bytes(kAckFrom1111), now), Delivery::everyone());
}

TEST(ReplyRouter, AScanOfManyDevicesStaysBounded) {
    ReplyRouter router;
    const auto now = ReplyRouter::Clock::time_point{};
    auto request = bytes(kConnectTo1111);
    for (unsigned device = 0; device < 2 * ReplyRouter::REMOTE_LIMIT; ++device) {
        request[8] = static_cast<uint8_t>(device >> 8);
        request[9] = static_cast<uint8_t>(device);
        router.requestSent(To::GatewayClient, 1, request, now + std::chrono::milliseconds(device));
    }
    EXPECT_EQ(router.remoteCount(), ReplyRouter::REMOTE_LIMIT);
}

}  // namespace
}  // namespace lintor
