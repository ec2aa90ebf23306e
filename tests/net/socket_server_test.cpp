#include "net/socket_server.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/uio.h>

#include <array>
#include <vector>

#include "tests/support/bytes.h"
#include "tests/support/event_loop.h"
#include "tests/support/server_fakes.h"
#include "tests/support/tcp_client.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using test::processEventsUntil;
using test::TcpClient;

// Records its hooks, into a list of the test's own when given one, so that
// what happens while it is destroyed can still be seen.
class RecordingServer final : public SocketServer {
public:
    RecordingServer(EventLoop& loop, ServerEvents& serverEvents, ServerLimits limits = {}, uint16_t port = 0,
                    std::vector<std::string>* log = nullptr, AddressFilter allow = {})
        : SocketServer(loop, serverEvents, ServerKind::BusGateway, "127.0.0.1", port, limits, std::move(allow)),
          events(log ? *log : ownEvents) {}

    std::vector<std::string> ownEvents;
    std::vector<std::string>& events;
    std::vector<std::vector<uint8_t>> chunks;

protected:
    void OnClientConnected(ClientSocket& client) override {
        events.push_back("connected " + std::to_string(client.id()));
    }
    void OnClientData(ClientSocket&, std::span<const uint8_t> bytes) override {
        chunks.emplace_back(bytes.begin(), bytes.end());
    }
    void OnClientClosed(ClientSocket& client) override { events.push_back("closed " + std::to_string(client.id())); }
};

std::vector<uint8_t> block(size_t size, uint8_t seed = 0) {
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(seed + i * 7);
    return out;
}

class SocketServerTest : public test::LoopTest {
protected:
    bool waitForEvents(size_t count) {
        return processEventsUntil([&] { return server.events.size() >= count; }, 2s);
    }

    test::RecordingServerEvents owner;
    RecordingServer server{loop(), owner};
};

TEST_F(SocketServerTest, BroadcastIsTakenWhenAtLeastOneClientTakesTheBlock) {
    ASSERT_TRUE(server.listening());
    const auto data = block(100);
    EXPECT_FALSE(server.broadcast(data));

    TcpClient live(server.port());
    TcpClient leaving(server.port());
    ASSERT_TRUE(waitForEvents(2));
    EXPECT_TRUE(server.broadcast(data));
    EXPECT_EQ(live.receive(100, 2s), data);

    // The leaving client ends its connection cleanly: the server sees the end
    // of its stream, stops reading it, and learns that it is gone only when a
    // send fails. The block still counts as taken, since the live client
    // takes it every time.
    EXPECT_EQ(leaving.receive(100, 2s), data);
    leaving.close();
    ASSERT_TRUE(waitForEvents(3));
    size_t sent = 0;
    ASSERT_TRUE(processEventsUntil(
        [&] {
            EXPECT_TRUE(server.broadcast(data));
            ++sent;
            return server.clientCount() == 1;
        },
        2s));
    EXPECT_GE(sent, 2u) << "the first send after the end is still taken by the kernel";
    EXPECT_EQ(live.receive(100 * sent, 2s).size(), 100 * sent);
    EXPECT_EQ(server.events.size(), 3u) << "a client is reported closed once";
}

TEST_F(SocketServerTest, HooksFollowConnectionsInOrder) {
    {
        TcpClient first(server.port());
        ASSERT_TRUE(waitForEvents(1));
    }
    ASSERT_TRUE(waitForEvents(2));
    TcpClient second(server.port());
    ASSERT_TRUE(waitForEvents(3));
    EXPECT_EQ(server.events, (std::vector<std::string>{"connected 1", "closed 1", "connected 2"}));
    // The first may still be listening on its receiving side: it stays.
    EXPECT_EQ(server.clientCount(), 2u);
}

TEST_F(SocketServerTest, LargeBlockArrivesInReceivesOfAtMost1500BytesInOrder) {
    TcpClient client(server.port());
    const auto data = block(4000, 3);
    ASSERT_TRUE(client.send(data));
    size_t total = 0;
    ASSERT_TRUE(processEventsUntil(
        [&] {
            total = 0;
            for (const auto& c : server.chunks) total += c.size();
            return total >= data.size();
        },
        2s));
    EXPECT_GE(server.chunks.size(), 3u);
    std::vector<uint8_t> joined;
    for (const auto& c : server.chunks) {
        EXPECT_LE(c.size(), SocketServer::RECEIVE_SIZE);
        joined.insert(joined.end(), c.begin(), c.end());
    }
    EXPECT_EQ(joined, data);
}

TEST_F(SocketServerTest, PeerThatOnlyStoppedSendingKeepsReceiving) {
    TcpClient client(server.port());
    ASSERT_TRUE(waitForEvents(1));
    client.shutdownSending();
    ASSERT_TRUE(waitForEvents(2));
    EXPECT_EQ(server.events.back(), "closed 1");
    const auto data = block(50);
    EXPECT_TRUE(server.broadcast(data));
    EXPECT_EQ(client.receive(50, 2s), data);
    EXPECT_EQ(server.events.size(), 2u);  // closed is reported once
}

TEST_F(SocketServerTest, ClientWhoseConnectionIsGoneIsRemoved) {
    TcpClient client(server.port());
    ASSERT_TRUE(waitForEvents(1));
    client.close();
    ASSERT_TRUE(waitForEvents(2));
    const auto data = block(10);
    // The first send after the peer left provokes its reset, a later one fails.
    ASSERT_TRUE(processEventsUntil(
        [&] {
            server.broadcast(data);
            return server.clientCount() == 0;
        },
        2s));
    EXPECT_EQ(server.events.size(), 2u);
}

TEST_F(SocketServerTest, DestructionClosesClientsWithoutHooks) {
    std::vector<std::string> log;
    auto local = std::make_unique<RecordingServer>(loop(), owner, ServerLimits{}, 0, &log);
    TcpClient a(local->port());
    TcpClient b(local->port());
    ASSERT_TRUE(processEventsUntil([&] { return log.size() == 2; }, 2s));
    b.shutdownSending();  // half-closed: the next hook would be its close
    test::processEventsFor(20ms);
    local.reset();
    EXPECT_EQ(log, (std::vector<std::string>{"connected 1", "connected 2", "closed 2"}));
    EXPECT_TRUE(a.waitForClose(2s));
    EXPECT_TRUE(b.waitForClose(2s));
    test::processEventsFor(20ms);
    EXPECT_EQ(log.size(), 3u);
}

TEST_F(SocketServerTest, PortInUseReportsCreateFailureWithErrno) {
    RecordingServer second(loop(), owner, {}, server.port());
    EXPECT_FALSE(second.listening());
    EXPECT_EQ(owner.events(), std::vector<std::string>{"listen failed gateway"});
    EXPECT_FALSE(second.broadcast(block(5)));
}

class SocketServerLimits : public test::LoopTest {};

TEST_F(SocketServerLimits, SlowReaderGetsEveryBlockInOrderOnceItReads) {
    test::RecordingServerEvents owner;
    RecordingServer server(loop(), owner,
                           ServerLimits{.sendQueueBytes = 16 * 1024 * 1024, .stallTimeout = 5s, .maxClients = 8});
    TcpClient slow(server.port(), 4096);
    ASSERT_TRUE(processEventsUntil([&] { return server.clientCount() == 1; }, 2s));
    // More than the kernel's buffers hold (up to 4 MiB by default): the rest
    // waits in the queue, in pieces that the socket takes in any split.
    std::vector<uint8_t> expected;
    for (int i = 0; i < 80000; ++i) {
        std::vector<uint8_t> numbered(97, static_cast<uint8_t>(i));
        numbered[0] = static_cast<uint8_t>(i >> 8);
        ASSERT_TRUE(server.broadcast(numbered)) << i;
        expected.insert(expected.end(), numbered.begin(), numbered.end());
    }
    EXPECT_TRUE(slow.receive(expected.size(), 10s) == expected);
}

TEST_F(SocketServerLimits, ClientThatStopsReadingIsDroppedWithoutHoldingUpOthers) {
    test::RecordingServerEvents owner;
    RecordingServer server(loop(), owner,
                           ServerLimits{.sendQueueBytes = 16 * 1024, .stallTimeout = 300ms, .maxClients = 8});
    TcpClient reader(server.port());
    TcpClient sleeper(server.port(), 4096);
    ASSERT_TRUE(processEventsUntil([&] { return server.clientCount() == 2; }, 2s));

    // Until the sleeper's socket buffers and queue are full and it has been
    // stalled long enough; the reader must get every block all the while.
    const auto data = block(4000);
    for (int i = 0; i < 20000 && server.clientCount() == 2; ++i) {
        EXPECT_TRUE(server.broadcast(data)) << i;
        const auto part = reader.receive(data.size(), 2s);
        ASSERT_EQ(part, data) << i;
    }
    ASSERT_TRUE(processEventsUntil([&] { return server.clientCount() == 1; }, 2s));
    EXPECT_EQ(server.events.back(), "closed 2");
    EXPECT_TRUE(sleeper.waitForClose(2s));
}

TEST_F(SocketServerLimits, FullServerMakesRoomWithAHalfClosedClientOrRefuses) {
    test::RecordingServerEvents owner;
    RecordingServer server(loop(), owner, ServerLimits{.maxClients = 2});
    TcpClient a(server.port());
    TcpClient b(server.port());
    ASSERT_TRUE(processEventsUntil([&] { return server.clientCount() == 2; }, 2s));

    TcpClient refused(server.port());
    EXPECT_TRUE(refused.waitForClose(2s));
    EXPECT_EQ(server.clientCount(), 2u);

    a.shutdownSending();
    ASSERT_TRUE(processEventsUntil([&] { return server.events.size() == 3; }, 2s));
    TcpClient c(server.port());
    ASSERT_TRUE(processEventsUntil([&] { return server.events.back() == "connected 3"; }, 2s));
    EXPECT_EQ(server.clientCount(), 2u);
    EXPECT_TRUE(a.waitForClose(2s));
}

TEST_F(SocketServerLimits, ConnectDisconnectCyclesDoNotLeakDescriptors) {
    test::RecordingServerEvents owner;
    RecordingServer server(loop(), owner);
    const int before = test::openFileDescriptors();
    const auto ping = block(4);
    for (int i = 0; i < 1000; ++i) {
        TcpClient client(server.port());
        ASSERT_TRUE(processEventsUntil([&] { return server.clientCount() == 1; }, 2s)) << i;
        client.close();
        ASSERT_TRUE(processEventsUntil(
            [&] {
                server.broadcast(ping);
                return server.clientCount() == 0;
            },
            2s))
            << i;
    }
    test::processEventsFor(50ms);
    EXPECT_EQ(test::openFileDescriptors(), before);
}

// The queued pieces as one byte string.
std::vector<uint8_t> queuedBytes(const SendQueue& queue) {
    std::array<iovec, SendQueue::MAX_PIECES> pieces;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < queue.front(pieces); ++i) {
        const auto* first = static_cast<const uint8_t*>(pieces[i].iov_base);
        bytes.insert(bytes.end(), first, first + pieces[i].iov_len);
    }
    return bytes;
}

TEST(SendQueue, RefusesWhatDoesNotFitWholeAndConsumesAcrossBlocks) {
    SendQueue queue(10);
    const std::vector<uint8_t> first{1, 2, 3, 4, 5, 6};
    OutgoingBlock six(first);
    queue.push(six.shared(), 0);
    EXPECT_FALSE(queue.fits(5));
    EXPECT_TRUE(queue.fits(4));
    const std::vector<uint8_t> second{7, 8, 9, 10};
    OutgoingBlock four(second);
    queue.push(four.shared(), 1);  // the socket took the first byte
    EXPECT_EQ(queue.size(), 9u);
    EXPECT_EQ(queuedBytes(queue), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 8, 9, 10}));
    queue.consume(7);
    EXPECT_EQ(queuedBytes(queue), (std::vector<uint8_t>{9, 10}));
    EXPECT_TRUE(queue.fits(8));
    queue.consume(2);
    EXPECT_TRUE(queue.empty());
    std::array<iovec, SendQueue::MAX_PIECES> none;
    EXPECT_EQ(queue.front(none), 0u);
}

TEST(SendQueue, EveryClientHoldsTheSameCopyOfABroadcast) {
    const std::vector<uint8_t> record{0x02, 0x10, 0x00, 0x00};
    OutgoingBlock block(record);
    SendQueue one(100);
    SendQueue other(100);
    one.push(block.shared());
    other.push(block.shared(), 2);
    std::array<iovec, SendQueue::MAX_PIECES> a;
    std::array<iovec, SendQueue::MAX_PIECES> b;
    ASSERT_EQ(one.front(a), 1u);
    ASSERT_EQ(other.front(b), 1u);
    EXPECT_EQ(static_cast<uint8_t*>(a[0].iov_base) + 2, b[0].iov_base);
    EXPECT_NE(a[0].iov_base, record.data()) << "the caller's buffer is reused for the next record";
    EXPECT_EQ(block.shared().use_count(), 3);
}

class SocketServerAccess : public test::LoopTest {};

TEST_F(SocketServerAccess, PeersOutsideTheAllowedNetworksAreClosedBeforeAnyoneHearsOfThem) {
    test::RecordingServerEvents owner;
    RecordingServer refusing(loop(), owner, {}, 0, nullptr,
                             AddressFilter({*parseCidr("10.0.0.0/8"), *parseCidr("::1")}));
    TcpClient refused(refusing.port());
    EXPECT_TRUE(refused.waitForClose(2s));
    EXPECT_TRUE(refusing.events.empty());
    EXPECT_TRUE(owner.events().empty());
    EXPECT_EQ(refusing.clientCount(), 0u);

    RecordingServer allowing(loop(), owner, {}, 0, nullptr, AddressFilter({*parseCidr("127.0.0.0/8")}));
    TcpClient allowed(allowing.port());
    ASSERT_TRUE(processEventsUntil([&] { return allowing.events.size() == 1; }, 2s));
    EXPECT_EQ(allowing.events, std::vector<std::string>{"connected 1"});
}

TEST_F(SocketServerAccess, WithoutAPortNothingListensAndNothingIsReported) {
    test::RecordingServerEvents owner;
    class Quiet final : public SocketServer {
    public:
        Quiet(EventLoop& loop, ServerEvents& events)
            : SocketServer(loop, events, ServerKind::Proxy, "127.0.0.1", std::nullopt) {}
        void OnClientData(ClientSocket&, std::span<const uint8_t>) override {}
    } server(loop(), owner);
    EXPECT_FALSE(server.listening());
    EXPECT_EQ(server.port(), 0);
    EXPECT_TRUE(owner.events().empty());
}

}  // namespace
}  // namespace lintor
