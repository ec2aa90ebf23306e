#include "app/posted_queue.h"

#include <optional>

#include "platform/log.h"

namespace lintor {

PostedQueue::PostedQueue(Delivery deliver) : deliver_(std::move(deliver)) {
    auto event = WakeEvent::create();
    if (!event.ok()) {
        log::error("cannot create the event of the posted queue: " + errorText(event.error()));
        return;
    }
    wake_ = event.take();
    notifier_ = std::make_unique<QSocketNotifier>(wake_.fd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { drain(); });
}

PostedQueue::~PostedQueue() { notifier_.reset(); }

void PostedQueue::push(PostedItem item) {
    bool wasEmpty = false;
    {
        const std::lock_guard lock(mutex_);
        wasEmpty = items_.empty();
        items_.push_back(std::move(item));
    }
    if (wasEmpty) wake_.signal();
}

// One item at a time: a delivery that runs an event loop of its own (a
// message box) sees the later items delivered there, still in order. The
// event is cleared first, so an item pushed meanwhile signals it again.
void PostedQueue::drain() {
    wake_.clear();
    for (;;) {
        std::optional<PostedItem> item;
        {
            const std::lock_guard lock(mutex_);
            if (items_.empty()) return;
            item = std::move(items_.front());
            items_.pop_front();
        }
        deliver_(*item);
    }
}

}  // namespace lintor
