#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "link/bus_message.h"

namespace lintor {

// Collects one downlink record from bytes that may arrive in any pieces.
// Payloads beyond kDownlinkPayloadLimit are consumed to the record boundary
// but not kept.
class DownlinkAssembler {
public:
    // How many more bytes belong to the current record; never 0 before
    // complete().
    size_t bytesWanted() const;
    // Takes at most bytesWanted() bytes.
    void accept(std::span<const uint8_t> bytes);

    bool complete() const { return headerHave_ == kRecordHeaderSize && payloadHave_ == header_.length; }
    RecordHeader header() const { return header_; }
    bool oversized() const { return header_.length > kDownlinkPayloadLimit; }
    // The kept payload; empty for an oversized record.
    std::span<const uint8_t> payload() const;

    void clear();

private:
    std::array<uint8_t, kRecordHeaderSize> headerBytes_{};
    size_t headerHave_ = 0;
    RecordHeader header_{};
    std::array<uint8_t, kDownlinkPayloadLimit> payload_{};
    size_t payloadHave_ = 0;
};

}  // namespace lintor
