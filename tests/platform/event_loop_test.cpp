#include "platform/event_loop.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/pipe.h"
#include "tests/support/manual_clock.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;

std::unique_ptr<EventLoop> makeLoop(const Clock& clock) {
    auto loop = EventLoop::create(clock);
    EXPECT_TRUE(loop.ok()) << errorText(loop.error());
    return loop.take();
}

TEST(EventLoop, TimersFireInDeadlineOrderWhenTheirTimeHasCome) {
    test::ManualClock clock;
    const auto loop = makeLoop(clock);
    std::string fired;
    auto a = loop->timer([&] { fired += "a"; });
    auto b = loop->timer([&] { fired += "b"; });
    auto tick = loop->timer([&] { fired += "t"; });
    auto stopped = loop->timer([&] { fired += "x"; });
    a.startAfter(300ms);
    b.startAfter(200ms);
    tick.startEvery(1000ms);
    stopped.startAfter(100ms);
    stopped.stop();
    EXPECT_EQ(loop->nextDeadline(), clock.now() + 200ms);

    clock.advance(199ms);
    loop->runOnce(0ms);
    EXPECT_EQ(fired, "");
    clock.advance(101ms);
    loop->runOnce(0ms);
    EXPECT_EQ(fired, "ba");
    EXPECT_FALSE(a.active());
    // A late turn: the tick at 1 s runs once, and the next stays at 2 s.
    clock.advance(1500ms);
    loop->runOnce(0ms);
    EXPECT_EQ(fired, "bat");
    clock.advance(199ms);
    loop->runOnce(0ms);
    EXPECT_EQ(fired, "bat");
    clock.advance(1ms);
    loop->runOnce(0ms);
    EXPECT_EQ(fired, "batt");
}

TEST(EventLoop, CallbacksMayEndWhatTheyRunFrom) {
    test::ManualClock clock;
    const auto loop = makeLoop(clock);
    int runs = 0;
    EventLoop::Timer self;
    self = loop->timer([&] {
        ++runs;
        self.reset();
    });
    self.startAfter(0ms);
    // Started again for now from its own callback: the next turn, not this one.
    EventLoop::Timer again;
    int againRuns = 0;
    again = loop->timer([&] {
        if (++againRuns < 3) again.startAfter(0ms);
    });
    again.startAfter(0ms);
    loop->runOnce(0ms);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(againRuns, 1);
    loop->runOnce(0ms);
    loop->runOnce(0ms);
    EXPECT_EQ(againRuns, 3);

    // Two readable pipes: the first callback removes the other's watch.
    Pipe first = makePipe().take();
    Pipe second = makePipe().take();
    EventLoop::Watch secondWatch;
    std::vector<std::string> seen;
    auto firstWatch = loop->watch(first.readEnd.get(), {.read = true}, [&](EventLoop::Readiness) {
        seen.emplace_back("first");
        secondWatch.reset();
    });
    secondWatch = loop->watch(second.readEnd.get(), {.read = true}, [&](EventLoop::Readiness) {
        seen.emplace_back("second");
        firstWatch.reset();
    });
    ASSERT_EQ(::write(first.writeEnd.get(), "x", 1), 1);
    ASSERT_EQ(::write(second.writeEnd.get(), "x", 1), 1);
    loop->runOnce(100ms);
    ASSERT_EQ(seen.size(), 1u) << "whichever ran first, the other was gone";
}

TEST(EventLoop, PostedCallsWakeTheLoopAndRunInOrder) {
    SystemClock clock;
    const auto loop = makeLoop(clock);
    std::vector<int> order;
    std::thread other([&] {
        for (int i = 0; i < 100; ++i) loop->post([&order, i] { order.push_back(i); });
        loop->post([&] { loop->quit(); });
    });
    loop->run();
    other.join();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
}

TEST(EventLoop, ItsDescriptorIsReadableWhenATimerIsDue) {
    // A foreign loop that watches fd() alone must learn of timers too.
    SystemClock clock;
    const auto loop = makeLoop(clock);
    bool fired = false;
    auto timer = loop->timer([&] { fired = true; });
    // Before the start: the deadline counts from a moment after it.
    const auto start = clock.now();
    timer.startAfter(30ms);
    pollfd pfd{loop->fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&pfd, 1, 2000), 1);
    EXPECT_GE(clock.now() - start, 30ms);
    loop->runOnce(0ms);
    EXPECT_TRUE(fired);
    EXPECT_EQ(::poll(&pfd, 1, 0), 0) << "nothing left to do";
}

}  // namespace
}  // namespace lintor
