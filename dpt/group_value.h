#pragma once

#include <cstdint>
#include <vector>

namespace lintor::dpt {

// What a group telegram carries.
struct GroupValue {
    std::vector<uint8_t> bytes;  // the value bytes, most significant first
    // One byte whose low six bits travel in the APCI byte itself (DPT 1, 2, 3,
    // 23), instead of in bytes of their own after it.
    bool sixBit = false;

    friend bool operator==(const GroupValue&, const GroupValue&) = default;
};

}  // namespace lintor::dpt
