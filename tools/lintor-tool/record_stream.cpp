#include "tools/lintor-tool/record_stream.h"

#include "link/bus_message.h"

namespace lintor::tool {

void RecordStream::feed(std::span<const uint8_t> bytes) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(consumed_));
    consumed_ = 0;
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

std::optional<std::span<const uint8_t>> RecordStream::next() {
    const std::span<const uint8_t> rest = std::span<const uint8_t>(buffer_).subspan(consumed_);
    if (rest.size() < kRecordHeaderSize) return std::nullopt;
    const RecordHeader header = decodeHeader(rest.first<kRecordHeaderSize>());
    if (rest.size() < header.recordSize()) return std::nullopt;
    consumed_ += header.recordSize();
    return rest.first(header.recordSize());
}

}  // namespace lintor::tool
