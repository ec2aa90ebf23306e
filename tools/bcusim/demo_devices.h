#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tools/bcusim/management_device.h"

namespace lintor::bcusim {

// The individual addresses of the simulated devices, 1.1.11 to 1.1.15: two
// switches, a dimmer, a temperature sensor and an energy meter.
inline constexpr std::array<uint16_t, 5> DEMO_DEVICE_ADDRESSES{0x110B, 0x110C, 0x110D, 0x110E, 0x110F};

// Their management side: mask version 0705 for most, a BCU 1 (0012) on
// 1.1.13 and a BCU 2 (0020) on 1.1.14.
std::vector<DeviceIdentity> simulatedDevices();

}  // namespace lintor::bcusim
