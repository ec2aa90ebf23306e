#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "platform/wake_event.h"

namespace lintor::bcusim {

// Hands work from any thread to the simulator's thread and wakes its poll().
class CommandQueue {
public:
    using Command = std::function<void()>;

    struct Drained {
        std::vector<Command> commands;
        bool stopRequested = false;
    };

    explicit CommandQueue(WakeEvent wake) : wake_(std::move(wake)) {}

    void post(Command command);
    void requestStop();

    // Polled by the simulator's thread.
    int wakeFd() const { return wake_.fd(); }
    // Everything posted so far, in order; clears the wake-up.
    Drained drain();

private:
    WakeEvent wake_;
    std::mutex mutex_;
    std::vector<Command> commands_;
    bool stopRequested_ = false;
};

}  // namespace lintor::bcusim
