#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "net/client_session.h"

namespace lintor {

// Cuts one proxy client's byte stream into request texts: each runs up to
// and including a '>', after the CR and LF bytes that follow the previous
// one. Holds at most MAX_REQUEST bytes of an unfinished request; a longer
// one is discarded up to its '>'.
class RequestSplitter final : public ClientSession {
public:
    static constexpr size_t MAX_REQUEST = 1500;
    using RequestSink = std::function<void(std::string_view text)>;

    // Returns the number of bytes discarded for running past the limit.
    size_t feed(std::span<const uint8_t> bytes, const RequestSink& request);

private:
    std::string pending_;
    bool skippingLineEnds_ = false;
    bool discarding_ = false;
};

}  // namespace lintor
