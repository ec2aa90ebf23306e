#include "net/send_queue.h"

#include <cassert>

namespace lintor {

void SendQueue::push(std::span<const uint8_t> block) {
    assert(fits(block.size()));
    bytes_.insert(bytes_.end(), block.begin(), block.end());
}

void SendQueue::consume(size_t count) {
    assert(count <= size());
    head_ += count;
    if (head_ == bytes_.size()) {
        bytes_.clear();
        head_ = 0;
    } else if (head_ > bytes_.size() / 2) {
        // Move the rest to the front now and then, not on every send.
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
}

}  // namespace lintor
