#pragma once

#include <QSocketNotifier>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <variant>

#include "link/posted_message.h"
#include "platform/wake_event.h"

namespace lintor {

// A private message, or a text the user must see.
using PostedItem = std::variant<PostedMessage, std::string>;

// Carries posted items from any thread to the user-interface thread, in the
// order posted. The hand-over is a mutex and an eventfd watched by a socket
// notifier: plain synchronisation that ThreadSanitizer follows, which it
// cannot do through the event queue of an uninstrumented Qt.
class PostedQueue {
public:
    using Delivery = std::function<void(const PostedItem& item)>;

    explicit PostedQueue(Delivery deliver);
    ~PostedQueue();
    PostedQueue(const PostedQueue&) = delete;
    PostedQueue& operator=(const PostedQueue&) = delete;

    // Any thread; never blocks for long.
    void push(PostedItem item);

private:
    // User-interface thread.
    void drain();

    Delivery deliver_;
    WakeEvent wake_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::mutex mutex_;
    std::deque<PostedItem> items_;
};

}  // namespace lintor
