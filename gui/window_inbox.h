#pragma once

#include <QSocketNotifier>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/wake_event.h"

namespace lintor {

// Carries calls from the core's thread to the window's, in the order they
// were made. The hand-over is a mutex and an eventfd watched by a socket
// notifier: plain synchronisation that ThreadSanitizer follows, which it
// cannot do through the event queue of an uninstrumented Qt.
class WindowInbox {
public:
    WindowInbox();
    ~WindowInbox();
    WindowInbox(const WindowInbox&) = delete;
    WindowInbox& operator=(const WindowInbox&) = delete;

    // Any thread; never blocks for long.
    void post(std::function<void()> call);

private:
    // The window's thread.
    void drain();

    WakeEvent wake_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::mutex mutex_;
    std::deque<std::function<void()>> calls_;
};

}  // namespace lintor
