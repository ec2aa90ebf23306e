#include "link/downlink_assembler.h"

#include <algorithm>
#include <cassert>

namespace lintor {

size_t DownlinkAssembler::bytesWanted() const {
    if (headerHave_ < kRecordHeaderSize) return kRecordHeaderSize - headerHave_;
    return header_.length - payloadHave_;
}

void DownlinkAssembler::accept(std::span<const uint8_t> bytes) {
    assert(bytes.size() <= bytesWanted());
    while (!bytes.empty() && headerHave_ < kRecordHeaderSize) {
        headerBytes_[headerHave_++] = bytes.front();
        bytes = bytes.subspan(1);
        if (headerHave_ == kRecordHeaderSize) header_ = decodeHeader(headerBytes_);
    }
    const size_t take = std::min(bytes.size(), header_.length - payloadHave_);
    if (!oversized())
        std::ranges::copy(bytes.first(take), payload_.begin() + static_cast<std::ptrdiff_t>(payloadHave_));
    payloadHave_ += take;
}

std::span<const uint8_t> DownlinkAssembler::payload() const {
    if (oversized()) return {};
    return std::span(payload_).first(payloadHave_);
}

void DownlinkAssembler::clear() {
    headerHave_ = 0;
    payloadHave_ = 0;
    header_ = {};
}

}  // namespace lintor
