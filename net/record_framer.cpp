#include "net/record_framer.h"

#include <algorithm>
#include <array>

namespace lintor {

size_t RecordFramer::feed(std::span<const uint8_t> bytes, const RecordSink& complete, const DropSink& dropped) {
    const size_t given = bytes.size();
    bool more = true;
    while (more && !bytes.empty()) {
        const size_t take = std::min(bytes.size(), assembler_.bytesWanted());
        assembler_.accept(bytes.first(take));
        bytes = bytes.subspan(take);
        if (!assembler_.complete()) continue;

        const RecordHeader header = assembler_.header();
        if (assembler_.oversized()) {
            dropped(header);
        } else {
            std::array<uint8_t, kRecordHeaderSize + kDownlinkPayloadLimit> record{};
            std::ranges::copy(encodeHeader(header), record.begin());
            std::ranges::copy(assembler_.payload(), record.begin() + kRecordHeaderSize);
            more = complete(std::span(record).first(header.recordSize()));
        }
        assembler_.clear();
    }
    return given - bytes.size();
}

}  // namespace lintor
