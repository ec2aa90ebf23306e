#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lintor::bcusim {

// The page of a BCU 2's memory that the host reads and writes through
// PC_Get_Value and PC_Set_Value (0x0100 to 0x01FF), with the BCU's own
// individual address in its place. Outside the page nothing is answered,
// as a BCU does for memory it does not let the host see.
class BcuMemory {
public:
    explicit BcuMemory(uint16_t individualAddress);

    // PC_Set_Value.req is stored; PC_Get_Value.req gets its .con. Nothing
    // comes back for anything else.
    std::optional<std::vector<uint8_t>> handle(std::span<const uint8_t> message);
    uint16_t individualAddress() const;

private:
    static constexpr uint16_t kPageStart = 0x0100;
    bool inPage(uint16_t address, size_t count) const;

    std::array<uint8_t, 0x100> page_{};
};

}  // namespace lintor::bcusim
