#include "tools/bcusim/command_queue.h"

namespace lintor::bcusim {

void CommandQueue::post(Command command) {
    {
        std::lock_guard lock(mutex_);
        commands_.push_back(std::move(command));
    }
    wake_.signal();
}

void CommandQueue::requestStop() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.signal();
}

CommandQueue::Drained CommandQueue::drain() {
    wake_.clear();
    std::lock_guard lock(mutex_);
    Drained drained{std::move(commands_), stopRequested_};
    commands_.clear();
    return drained;
}

}  // namespace lintor::bcusim
