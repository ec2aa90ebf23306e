#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace lintor {

// EIB addresses and values travel high byte first. Up to four bytes.
constexpr uint32_t readBigEndian(std::span<const uint8_t> bytes) {
    uint32_t value = 0;
    for (const uint8_t b : bytes) value = value << 8 | b;
    return value;
}

constexpr uint16_t readBigEndian16(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(readBigEndian(bytes.subspan(at, 2)));
}

constexpr uint8_t highByte(uint16_t word) { return static_cast<uint8_t>(word >> 8); }
constexpr uint8_t lowByte(uint16_t word) { return static_cast<uint8_t>(word & 0xFF); }

}  // namespace lintor
