#include "gui/window_inbox.h"

#include <optional>

#include "platform/log.h"

namespace lintor {

WindowInbox::WindowInbox() {
    auto event = WakeEvent::create();
    if (!event.ok()) {
        log::error("cannot create the event of the window's inbox: " + errorText(event.error()));
        return;
    }
    wake_ = event.take();
    notifier_ = std::make_unique<QSocketNotifier>(wake_.fd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { drain(); });
}

WindowInbox::~WindowInbox() { notifier_.reset(); }

void WindowInbox::post(std::function<void()> call) {
    bool wasEmpty = false;
    {
        const std::lock_guard lock(mutex_);
        wasEmpty = calls_.empty();
        calls_.push_back(std::move(call));
    }
    if (wasEmpty) wake_.signal();
}

// One call at a time: one that runs an event loop of its own (a message box)
// sees the later calls made there, still in order. The event is cleared
// first, so a call posted meanwhile signals it again.
void WindowInbox::drain() {
    wake_.clear();
    for (;;) {
        std::function<void()> call;
        {
            const std::lock_guard lock(mutex_);
            if (calls_.empty()) return;
            call = std::move(calls_.front());
            calls_.pop_front();
        }
        call();
    }
}

}  // namespace lintor
