#include "app/posted_queue.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <thread>
#include <vector>

#include "tests/support/event_loop.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;

uint32_t numberOf(const PostedItem& item) { return std::get<PostedMessage>(item).wParam; }

TEST(PostedQueue, ItemsFromAnotherThreadArriveWholeAndInOrder) {
    std::vector<uint32_t> delivered;
    std::vector<std::string> texts;
    PostedQueue queue([&](const PostedItem& item) {
        if (const auto* text = std::get_if<std::string>(&item)) {
            texts.push_back(*text);
        } else {
            delivered.push_back(numberOf(item));
        }
    });
    std::thread producer([&] {
        for (uint32_t i = 0; i < 5000; ++i) queue.push(PostedMessage{WM_BUS_MESSAGE, i, 0});
        queue.push(std::string("invalid COM port"));
    });
    ASSERT_TRUE(test::processEventsUntil([&] { return !texts.empty(); }, 5s));
    producer.join();
    ASSERT_EQ(delivered.size(), 5000u);
    for (uint32_t i = 0; i < delivered.size(); ++i) ASSERT_EQ(delivered[i], i);
    EXPECT_EQ(texts, std::vector<std::string>{"invalid COM port"});
}

TEST(PostedQueue, DeliveryThatRunsAnEventLoopKeepsTheOrder) {
    // A message box is shown from a delivery while more items come in.
    std::vector<uint32_t> delivered;
    PostedQueue* queueRef = nullptr;
    PostedQueue queue([&](const PostedItem& item) {
        delivered.push_back(numberOf(item));
        if (numberOf(item) == 1) {
            queueRef->push(PostedMessage{WM_BUS_MESSAGE, 4, 0});
            test::processEventsFor(20ms);
        }
    });
    queueRef = &queue;
    for (const uint32_t i : {1U, 2U, 3U}) queue.push(PostedMessage{WM_BUS_MESSAGE, i, 0});
    ASSERT_TRUE(test::processEventsUntil([&] { return delivered.size() == 4; }, 2s));
    EXPECT_EQ(delivered, (std::vector<uint32_t>{1, 2, 3, 4}));
}

}  // namespace
}  // namespace lintor
