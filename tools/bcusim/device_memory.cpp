#include "tools/bcusim/device_memory.h"

#include <algorithm>

namespace lintor::bcusim {

std::optional<std::vector<uint8_t>> DeviceMemory::read(uint16_t address, size_t count) const {
    if (!inside(address, count)) return std::nullopt;
    const auto* const first = image_.begin() + address;
    return std::vector<uint8_t>(first, first + static_cast<std::ptrdiff_t>(count));
}

bool DeviceMemory::write(uint16_t address, std::span<const uint8_t> bytes) {
    if (!inside(address, bytes.size())) return false;
    std::ranges::copy(bytes, image_.begin() + address);
    return true;
}

}  // namespace lintor::bcusim
