#include "link/downlink_queues.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lintor {
namespace {

using namespace std::chrono_literals;
using Kind = DownlinkSource::Kind;

const DownlinkSource kStartup = DownlinkSource::startup();
const DownlinkSource kFlooder{Kind::GatewayClient, 1};
const DownlinkSource kPolite{Kind::GatewayClient, 2};
const DownlinkSource kProxy{Kind::ProxyClient, 1};
const DownlinkSource kTunnel{Kind::Tunnel, 1};

// Each record carries its source's mark and number, so the order shows.
std::vector<uint8_t> record(char mark, int number) {
    return {static_cast<uint8_t>(mark), static_cast<uint8_t>(number)};
}

std::string drain(DownlinkQueues& queues, Clock::time_point now) {
    std::string order;
    while (const auto taken = queues.next(now)) {
        order += static_cast<char>(taken->record[0]);
        order += std::to_string(taken->record[1]);
        order += ' ';
    }
    return order;
}

TEST(DownlinkQueues, TurnsGoRoundTheWaitingSourcesWithTheStartupFirst) {
    struct Case {
        std::vector<std::pair<DownlinkSource, char>> pushes;
        std::string order;
    };
    const Case cases[] = {
        // A flooder's backlog lets the others in after one record each.
        {{{kFlooder, 'F'}, {kFlooder, 'F'}, {kFlooder, 'F'}, {kPolite, 'P'}, {kProxy, 'X'}, {kFlooder, 'F'}},
         "F1 P1 X1 F2 F3 F4 "},
        // The start-up goes ahead of whoever came before it.
        {{{kTunnel, 'T'}, {kTunnel, 'T'}, {kStartup, 'S'}, {kStartup, 'S'}}, "S1 S2 T1 T2 "},
        // The same id on another port is another source.
        {{{kFlooder, 'F'}, {kFlooder, 'F'}, {{Kind::ProxyClient, 1}, 'X'}, {{Kind::Tunnel, 1}, 'T'}}, "F1 X1 T1 F2 "},
    };
    const Clock::time_point now{};
    for (const Case& c : cases) {
        DownlinkQueues queues;
        std::map<char, int> numbers;
        for (const auto& [source, mark] : c.pushes) queues.push(source, record(mark, ++numbers[mark]), now);
        EXPECT_EQ(drain(queues, now), c.order);
        EXPECT_TRUE(queues.empty());
    }
}

TEST(DownlinkQueues, FullSourceIsRefusedAndFreedOnceWhenItsTurnCame) {
    DownlinkQueues queues;
    const Clock::time_point now{};
    for (size_t i = 1; i < DownlinkQueues::SOURCE_LIMIT; ++i) {
        EXPECT_EQ(queues.push(kFlooder, record('F', 0), now), Admission::Queued);
    }
    EXPECT_EQ(queues.push(kFlooder, record('F', 0), now), Admission::QueuedNowFull);
    EXPECT_EQ(queues.push(kFlooder, record('F', 0), now), Admission::Refused);
    EXPECT_EQ(queues.push(kPolite, record('P', 0), now), Admission::Queued);
    EXPECT_TRUE(queues.takeFreed().empty());
    queues.next(now);
    queues.next(now);
    EXPECT_EQ(queues.takeFreed(), std::vector<DownlinkSource>{kFlooder});
    queues.next(now);
    EXPECT_TRUE(queues.takeFreed().empty());
    // Dropping everything frees whoever was full.
    while (queues.push(kProxy, record('X', 0), now) != Admission::Refused) {}
    EXPECT_EQ(queues.clear(), DownlinkQueues::SOURCE_LIMIT - 2 + DownlinkQueues::SOURCE_LIMIT);
    EXPECT_EQ(queues.takeFreed(), std::vector<DownlinkSource>{kProxy});
    EXPECT_FALSE(queues.next(now));
}

TEST(DownlinkQueues, ManyClientsTogetherAreHeldBackAtTheTotalLimit) {
    DownlinkQueues queues;
    const Clock::time_point now{};
    uint64_t client = 0;
    while (queues.size() + 1 < DownlinkQueues::TOTAL_LIMIT) {
        EXPECT_EQ(queues.push({Kind::GatewayClient, ++client}, record('C', 0), now), Admission::Queued);
    }
    const DownlinkSource last{Kind::ProxyClient, 1};
    EXPECT_EQ(queues.push(last, record('X', 0), now), Admission::QueuedNowFull);
    EXPECT_EQ(queues.push(kStartup, record('S', 0), now), Admission::Queued) << "the start-up is never held";
    queues.next(now);
    EXPECT_TRUE(queues.takeFreed().empty()) << "still at the limit";
    queues.next(now);
    EXPECT_EQ(queues.takeFreed(), std::vector<DownlinkSource>{last});
}

TEST(DownlinkQueues, WaitingRecordIsTakenBackOnlyFromItsOwnSource) {
    DownlinkQueues queues;
    const Clock::time_point now{};
    queues.push(kTunnel, record('T', 1), now);
    queues.push(kTunnel, record('T', 2), now);
    queues.push(kPolite, record('T', 2), now);
    EXPECT_FALSE(queues.withdraw(kFlooder, record('T', 2)));
    EXPECT_TRUE(queues.withdraw(kTunnel, record('T', 2)));
    EXPECT_FALSE(queues.withdraw(kTunnel, record('T', 2)));
    EXPECT_EQ(drain(queues, now), "T1 T2 ");
    EXPECT_FALSE(queues.withdraw(kTunnel, record('T', 1))) << "it has had its turn";
}

TEST(DownlinkQueues, RecordsOlderThanTheLimitAreDroppedAndCountedBySource) {
    DownlinkQueues queues;
    queues.setMaxWait(5s);
    const Clock::time_point start{};
    queues.push(kFlooder, record('F', 1), start);
    queues.push(kFlooder, record('F', 2), start + 1s);
    queues.push(kPolite, record('P', 1), start);
    queues.push(kProxy, record('X', 1), start + 4s);
    // At the limit a record still goes; past it, not.
    EXPECT_EQ(drain(queues, start + 5s + 1ms), "F2 X1 ");
    const auto stale = queues.takeStale();
    ASSERT_EQ(stale.size(), 2U);
    EXPECT_EQ(stale[0].source, kFlooder);
    EXPECT_EQ(stale[0].records, 1U);
    EXPECT_EQ(stale[1].source, kPolite);
    EXPECT_EQ(stale[1].records, 1U);
}

}  // namespace
}  // namespace lintor
