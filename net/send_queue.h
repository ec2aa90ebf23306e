#pragma once

#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace lintor {

// One broadcast's bytes, copied at most once however many clients must
// keep them: the first client whose socket does not take them at once
// makes the shared copy, the others hold the same.
class OutgoingBlock {
public:
    // Never written once made; not const only because iovec is not.
    using Shared = std::shared_ptr<std::vector<uint8_t>>;

    explicit OutgoingBlock(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    std::span<const uint8_t> bytes() const { return bytes_; }
    const Shared& shared();

private:
    std::span<const uint8_t> bytes_;
    Shared shared_;
};

// Bytes accepted for a client but not yet taken by its socket, as pieces of
// shared blocks. Bounded: a block that does not fit whole is refused whole.
class SendQueue {
public:
    // Pieces handed to one writev().
    static constexpr size_t MAX_PIECES = 16;

    explicit SendQueue(size_t capacity) : capacity_(capacity) {}

    bool empty() const { return size_ == 0; }
    size_t size() const { return size_; }
    bool fits(size_t count) const { return count <= capacity_ - size_; }

    // The block's bytes from offset on.
    void push(const OutgoingBlock::Shared& block, size_t offset = 0);
    // The first pieces, up to MAX_PIECES; returns how many were filled.
    size_t front(std::span<iovec, MAX_PIECES> pieces) const;
    void consume(size_t count);

private:
    struct Piece {
        OutgoingBlock::Shared block;
        size_t offset;
    };

    size_t capacity_;
    // A vector, not a deque: an empty one costs no allocation, and most
    // clients' queues are empty all their life.
    std::vector<Piece> pieces_;
    size_t head_ = 0;
    size_t size_ = 0;
};

}  // namespace lintor
