#include "app/posted_queue.h"

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

// The event is cleared before the items are taken: an item pushed after
// the take signals it again.
void PostedQueue::drain() {
    wake_.clear();
    std::deque<PostedItem> taken;
    {
        const std::lock_guard lock(mutex_);
        taken.swap(items_);
    }
    for (const PostedItem& item : taken) deliver_(item);
}

}  // namespace lintor
