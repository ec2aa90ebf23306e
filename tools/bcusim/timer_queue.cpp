#include "tools/bcusim/timer_queue.h"

namespace lintor::bcusim {

std::optional<TimerQueue::Clock::time_point> TimerQueue::next() const {
    if (actions_.empty()) return std::nullopt;
    return actions_.begin()->first;
}

void TimerQueue::runDue(Clock::time_point now) {
    while (!actions_.empty() && actions_.begin()->first <= now) {
        auto node = actions_.extract(actions_.begin());
        node.mapped()();
    }
}

}  // namespace lintor::bcusim
