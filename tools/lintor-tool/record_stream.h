#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lintor::tool {

// Cuts the gateway's byte stream into records, however TCP splits it. Holds
// what the last feed() brought and the unfinished record before it: a
// record is at most 65,539 bytes.
class RecordStream {
public:
    void feed(std::span<const uint8_t> bytes);
    // The next whole record, header included; it stays valid until the next
    // call of feed() or next().
    std::optional<std::span<const uint8_t>> next();

private:
    std::vector<uint8_t> buffer_;
    size_t consumed_ = 0;
};

}  // namespace lintor::tool
