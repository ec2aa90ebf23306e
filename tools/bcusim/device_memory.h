#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lintor::bcusim {

// A simulated device's memory as management reads and writes it: the
// first two pages, 0x0000 to 0x01FF. Nothing outside them exists.
class DeviceMemory {
public:
    static constexpr size_t SIZE = 0x200;

    // Empty when any of the bytes lies outside the image.
    std::optional<std::vector<uint8_t>> read(uint16_t address, size_t count) const;
    // False, with nothing stored, when any byte lies outside.
    bool write(uint16_t address, std::span<const uint8_t> bytes);

    std::span<const uint8_t> bytes() const { return image_; }

private:
    static bool inside(uint16_t address, size_t count) { return address + count <= SIZE; }

    std::array<uint8_t, SIZE> image_{};
};

}  // namespace lintor::bcusim
