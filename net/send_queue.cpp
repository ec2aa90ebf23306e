#include "net/send_queue.h"

#include <algorithm>
#include <cassert>

namespace lintor {

const OutgoingBlock::Shared& OutgoingBlock::shared() {
    if (!shared_) shared_ = std::make_shared<std::vector<uint8_t>>(bytes_.begin(), bytes_.end());
    return shared_;
}

void SendQueue::push(const OutgoingBlock::Shared& block, size_t offset) {
    assert(offset < block->size() && fits(block->size() - offset));
    pieces_.push_back({block, offset});
    size_ += block->size() - offset;
}

size_t SendQueue::front(std::span<iovec, MAX_PIECES> pieces) const {
    const size_t count = std::min(pieces.size(), pieces_.size() - head_);
    for (size_t i = 0; i < count; ++i) {
        const Piece& piece = pieces_[head_ + i];
        pieces[i] = {piece.block->data() + piece.offset, piece.block->size() - piece.offset};
    }
    return count;
}

void SendQueue::consume(size_t count) {
    assert(count <= size_);
    size_ -= count;
    while (count > 0) {
        Piece& piece = pieces_[head_];
        const size_t left = piece.block->size() - piece.offset;
        if (count < left) {
            piece.offset += count;
            return;
        }
        count -= left;
        piece.block.reset();
        ++head_;
    }
    if (head_ == pieces_.size()) {
        // Empty again: give the memory back, most queues stay empty.
        pieces_ = {};
        head_ = 0;
    } else if (head_ > pieces_.size() / 2) {
        // Move the rest to the front now and then, not on every send.
        pieces_.erase(pieces_.begin(), pieces_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
}

}  // namespace lintor
