#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace lintor {

using HardwareAddress = std::array<uint8_t, 6>;

// The Ethernet address of the interface that holds this IPv4 address (host
// order), or of the first one that is up and not loopback when the address is
// 0 or on none; nothing on a host without one.
std::optional<HardwareAddress> hardwareAddressFor(uint32_t address);

}  // namespace lintor
