#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace lintor {

struct GroupValueEntry {
    uint16_t groupAddress = 0;
    int32_t value = 0;
    // Changed by the last update and not yet delivered to a proxy client.
    int32_t updateFlag = 0;
    uint8_t typeCode = 0;
};

struct GroupValue {
    uint16_t groupAddress;
    int32_t value;
    friend bool operator==(const GroupValue&, const GroupValue&) = default;
};

// The value of a group telegram record (read, response or write); nothing
// for other records. A value the record is too short to hold, or a length
// outside 1 to 5, gives -1.
std::optional<GroupValue> decodeGroupValue(std::span<const uint8_t> record);

// The last value of every group address seen on the bus, in the order of
// first appearance. Fixed size; entries are never removed.
class GroupValueTable {
public:
    static constexpr uint16_t CAPACITY = 1024;

    // Inserts or updates; the flag is set again even for an unchanged value.
    // False when the address is new and the table is full.
    bool updateGroupValue(uint16_t groupAddress, int32_t value);

    uint16_t count() const { return count_; }
    const GroupValueEntry& entry(uint16_t index) const { return entries_[index]; }
    void clearUpdateFlag(uint16_t index) { entries_[index].updateFlag = 0; }

private:
    std::array<GroupValueEntry, CAPACITY> entries_{};
    uint16_t count_ = 0;
};

}  // namespace lintor
