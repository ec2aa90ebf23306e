#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace lintor {

// Bytes accepted for a client but not yet taken by its socket. Bounded: a
// block that does not fit whole is refused whole.
class SendQueue {
public:
    explicit SendQueue(size_t capacity) : capacity_(capacity) {}

    bool empty() const { return size() == 0; }
    size_t size() const { return bytes_.size() - head_; }
    bool fits(size_t count) const { return count <= capacity_ - size(); }

    void push(std::span<const uint8_t> block);
    std::span<const uint8_t> front() const { return std::span(bytes_).subspan(head_); }
    void consume(size_t count);

private:
    size_t capacity_;
    std::vector<uint8_t> bytes_;
    size_t head_ = 0;
};

}  // namespace lintor
