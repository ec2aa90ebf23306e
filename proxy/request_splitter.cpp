#include "proxy/request_splitter.h"

namespace lintor {

size_t RequestSplitter::feed(std::span<const uint8_t> bytes, const RequestSink& request) {
    size_t discarded = 0;
    for (const uint8_t byte : bytes) {
        const char c = static_cast<char>(byte);
        if (discarding_) {
            ++discarded;
            if (c == '>') {
                discarding_ = false;
                skippingLineEnds_ = true;
            }
            continue;
        }
        if (skippingLineEnds_ && (c == '\r' || c == '\n')) continue;
        skippingLineEnds_ = false;

        pending_ += c;
        if (c == '>') {
            request(pending_);
            pending_.clear();
            skippingLineEnds_ = true;
        } else if (pending_.size() >= MAX_REQUEST) {
            discarded += pending_.size();
            pending_.clear();
            discarding_ = true;
        }
    }
    return discarded;
}

}  // namespace lintor
