#include "proxy/proxy_server.h"

#include <gtest/gtest.h>

#include "proxy/request_splitter.h"
#include "tests/support/bytes.h"
#include "tests/support/event_loop.h"
#include "tests/support/loopback_config.h"
#include "tests/support/server_fakes.h"
#include "tests/support/tcp_client.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using test::processEventsUntil;
using test::TcpClient;

const std::string kRequest = R"(<SetGA GA="1/2/3" Type="EIS1" Value="1">)";

std::string text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// A group value the proxy handed on.
struct SetGa {
    uint16_t address = 0;
    uint16_t value = 0;
    friend bool operator==(const SetGa&, const SetGa&) = default;
};

class ProxyServerTest : public test::LoopTest {
protected:
    std::vector<SetGa> setGaPosts(size_t atLeast) {
        processEventsUntil([&] { return sets.size() >= atLeast; }, 2s);
        return sets;
    }

    std::vector<SetGa> sets;
    test::RecordingServerEvents serverEvents;
    ProxyServer server{loop(), serverEvents, test::loopbackConfig(),
                       [this](uint64_t, uint16_t address, uint16_t value) {
                           sets.push_back({address, value});
                           return Admission::Queued;
                       }};
};

TEST_F(ProxyServerTest, RequestBecomesPostedSetGaAndClientsAreReported) {
    TcpClient client(server.port());
    ASSERT_TRUE(processEventsUntil([&] { return server.clientCount() == 1; }, 2s));
    EXPECT_EQ(serverEvents.events(), std::vector<std::string>{"connected proxy"});
    ASSERT_TRUE(client.send(kRequest));
    EXPECT_EQ(setGaPosts(1), (std::vector<SetGa>{{0x0A03, 1}}));
    client.close();
    ASSERT_TRUE(processEventsUntil([&] { return serverEvents.events().size() == 2; }, 2s));
    EXPECT_EQ(serverEvents.events().back(), "closed proxy");
}

TEST_F(ProxyServerTest, RequestsAreReadFromTheStreamNotFromSingleReceives) {
    TcpClient client(server.port());
    for (const char c : kRequest) {
        ASSERT_TRUE(client.send(std::string(1, c)));
        test::processEventsFor(1ms);
    }
    ASSERT_TRUE(client.send(R"(<SetGA GA="1/1/1" Type="Bit" Value="0"><SetGA GA="1/1/2" Type="Bit" Value="1">)"
                            "\r\n<SetGA GA=\"#0003\" Type=\"T2B\" Value=\"300\">\n"));
    ASSERT_TRUE(client.send("<SetGA GA=\"2/0/"));
    test::processEventsFor(20ms);
    ASSERT_TRUE(client.send("9\" Type=\"Bit\" Value=\"1\">"));
    EXPECT_EQ(setGaPosts(5), (std::vector<SetGa>{{0x0A03, 1}, {0x0901, 0}, {0x0902, 1}, {0x0003, 300}, {0x1009, 1}}));
}

TEST_F(ProxyServerTest, ZeroBytesAndLineEndsSeparateRequestsABlankDropsTheNext) {
    using namespace std::string_literals;
    TcpClient first(server.port());
    TcpClient c(server.port());
    // A request that starts with a blank is dropped, first on its connection
    // or after others; a C client's zero bytes and line ends are not blanks.
    ASSERT_TRUE(first.send(" <SetGA GA=\"2/2/2\" Type=\"Bit\" Value=\"1\">"s));
    ASSERT_TRUE(c.send("<SetGA GA=\"1/1/1\" Type=\"Bit\" Value=\"1\">\0\r\n"s));
    ASSERT_TRUE(c.send("<SetGA GA=\"1/1/2\" Type=\"Bit\" Value=\"1\">\0 "s));
    ASSERT_TRUE(c.send("\t<SetGA GA=\"1/1/3\" Type=\"Bit\" Value=\"1\">\t<SetGA GA=\"7/7/7\" Ty"));
    // A request given up half-way ends at the next '<'.
    ASSERT_TRUE(c.send("<SetGA GA=\"1/1/4\" Type=\"Bit\" Value=\"0\">"));
    EXPECT_EQ(setGaPosts(3), (std::vector<SetGa>{{0x0901, 1}, {0x0902, 1}, {0x0904, 0}}));
    test::processEventsFor(50ms);
    EXPECT_EQ(sets.size(), 3u);
}

TEST_F(ProxyServerTest, EachClientHasItsOwnStream) {
    TcpClient a(server.port());
    TcpClient b(server.port());
    ASSERT_TRUE(processEventsUntil([&] { return server.clientCount() == 2; }, 2s));
    ASSERT_TRUE(a.send("<SetGA GA=\"1/2/3\" "));
    ASSERT_TRUE(b.send(R"(<SetGA GA="4/4/4" Type="Bit" Value="1">)"));
    // b's request is through while a's is still unfinished.
    ASSERT_EQ(setGaPosts(1).size(), 1u);
    ASSERT_TRUE(a.send(R"(Type="Bit" Value="0">)"));
    EXPECT_EQ(setGaPosts(2), (std::vector<SetGa>{{0x2404, 1}, {0x0A03, 0}}));
}

TEST_F(ProxyServerTest, RunawayRequestIsDiscardedAndReadingResumesAfterItsEnd) {
    TcpClient client(server.port());
    ASSERT_TRUE(client.send("<SetGA " + std::string(3000, 'x') + " GA=\"1/2/3\" Type=\"Bit\" Value=\"1\">"));
    ASSERT_TRUE(client.send(kRequest));
    EXPECT_EQ(setGaPosts(1), (std::vector<SetGa>{{0x0A03, 1}}));
    test::processEventsFor(50ms);
    EXPECT_EQ(sets.size(), 1u);
}

TEST_F(ProxyServerTest, ProxyInfoFlagsFollowDelivery) {
    server.updateGroupValue(0x0A03, 1);
    server.sendProxyInfo();  // nobody to deliver to: stays flagged
    EXPECT_EQ(server.table().entry(0).updateFlag, 1);

    TcpClient client(server.port());
    ASSERT_TRUE(processEventsUntil([&] { return server.clientCount() == 1; }, 2s));
    server.updateGroupValue(0x0A03, 5);
    server.updateGroupValue(0x0001, -1);
    server.sendProxyInfo();
    const std::string expected =
        R"(<ProxyInfo GA="1/2/3" Type="Bit" Value="5"><ProxyInfo GA="0/0/1" Type="Bit" Value="65535">)";
    EXPECT_EQ(text(client.receive(expected.size(), 2s)), expected);
    EXPECT_EQ(server.table().entry(0).updateFlag, 0);
    EXPECT_EQ(server.table().entry(1).updateFlag, 0);

    server.sendProxyInfo();  // nothing changed: nothing sent
    EXPECT_TRUE(client.receiveFor(50ms).empty());
}

struct SplitResult {
    std::vector<std::string> requests;
    std::vector<std::pair<RequestSplitter::Loss, size_t>> losses;
};

SplitResult split(const std::string& stream) {
    RequestSplitter splitter;
    SplitResult result;
    splitter.feed(
        std::span(reinterpret_cast<const uint8_t*>(stream.data()), stream.size()),
        [&](std::string_view t) {
            result.requests.emplace_back(t);
            return true;
        },
        [&](RequestSplitter::Loss loss, size_t bytes) { result.losses.emplace_back(loss, bytes); });
    return result;
}

TEST(RequestSplitter, StreamIsCutAtEveryRequestStart) {
    using Loss = RequestSplitter::Loss;
    using namespace std::string_literals;
    struct Case {
        const char* name;
        std::string stream;
        std::vector<std::string> requests;
        std::vector<std::pair<Loss, size_t>> losses;
    };
    for (const Case& c : {
             Case{"line ends between requests", "<a>\r\n\r\n<b>\n<c>", {"<a>", "<b>", "<c>"}, {}},
             Case{"zero byte after each request", "<a>\0<b>\0"s, {"<a>", "<b>"}, {}},
             Case{"a blank begins the request after it", "<a> <b>\t<c>", {"<a>", " <b>", "\t<c>"}, {}},
             Case{"blank first on the stream", " <a><b>", {" <a>", "<b>"}, {}},
             Case{"line end after the blank", "<a> \r\n<b>", {"<a>", " \r\n<b>"}, {}},
             Case{"unfinished request before a new one", "<SetGA GA=1/2/3<b>", {"<b>"}, {{Loss::Unfinished, 15}}},
             Case{"blank, then an unfinished request", " <x<b>", {"<b>"}, {{Loss::Unfinished, 3}}},
             Case{"text without '<' is one request", " x y>", {" x y>"}, {}},
             Case{"'>' alone", "\n>", {">"}, {}},
         }) {
        SCOPED_TRACE(c.name);
        const auto result = split(c.stream);
        EXPECT_EQ(result.requests, c.requests);
        EXPECT_EQ(result.losses, c.losses);
    }
}

TEST(RequestSplitter, SinkThatWantsNoMoreStopsTheFeedAfterItsRequest) {
    RequestSplitter splitter;
    const std::string stream = "<a>\n<b>\n<c";
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(stream.data()), stream.size());
    std::vector<std::string> requests;
    const auto take = [&](std::string_view text) {
        requests.emplace_back(text);
        return false;
    };
    const auto lose = [](RequestSplitter::Loss, size_t) { FAIL() << "nothing is lost"; };
    EXPECT_EQ(splitter.feed(bytes, take, lose), 3U);
    EXPECT_EQ(splitter.feed(bytes.subspan(3), take, lose), 4U);
    EXPECT_EQ(splitter.feed(bytes.subspan(7), take, lose), 3U);
    EXPECT_EQ(requests, (std::vector<std::string>{"<a>", "<b>"}));
}

TEST(RequestSplitter, LongestRequestFitsOneByteMoreDoesNot) {
    for (const size_t length : {RequestSplitter::MAX_REQUEST, RequestSplitter::MAX_REQUEST + 1}) {
        SCOPED_TRACE(length);
        const auto result = split("<" + std::string(length - 2, 'x') + ">");
        EXPECT_EQ(result.requests.size(), length == RequestSplitter::MAX_REQUEST ? 1u : 0u);
        if (length > RequestSplitter::MAX_REQUEST) {
            EXPECT_EQ(
                result.losses,
                (std::vector<std::pair<RequestSplitter::Loss, size_t>>{{RequestSplitter::Loss::TooLong, length}}));
        }
    }
    // A '<' ends the discarding: the request it starts is read.
    const auto resumed = split("<" + std::string(2000, 'x') + "<b>");
    EXPECT_EQ(resumed.requests, std::vector<std::string>{"<b>"});
    EXPECT_EQ(resumed.losses,
              (std::vector<std::pair<RequestSplitter::Loss, size_t>>{{RequestSplitter::Loss::TooLong, 2001}}));
    // After a blank the first '<' is part of the discarded text.
    const auto blankFirst = split(" " + std::string(2000, 'x') + "<b><c>");
    EXPECT_EQ(blankFirst.requests, std::vector<std::string>{"<c>"});
    EXPECT_EQ(blankFirst.losses,
              (std::vector<std::pair<RequestSplitter::Loss, size_t>>{{RequestSplitter::Loss::TooLong, 2004}}));
}

}  // namespace
}  // namespace lintor
