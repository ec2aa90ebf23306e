#include "tools/bcusim/demo_devices.h"

#include "link/byte_order.h"

namespace lintor::bcusim {
namespace {

// Made up for the simulation; the serial numbers start with it, as real
// ones start with their maker's.
constexpr uint16_t kManufacturer = 0x7FFE;

constexpr std::array<uint16_t, DEMO_DEVICE_ADDRESSES.size()> kMaskVersions{0x0705, 0x0705, 0x0012, 0x0020, 0x0705};

}  // namespace

std::vector<DeviceIdentity> simulatedDevices() {
    std::vector<DeviceIdentity> devices;
    for (size_t i = 0; i < DEMO_DEVICE_ADDRESSES.size(); ++i) {
        const uint16_t address = DEMO_DEVICE_ADDRESSES[i];
        const std::array<uint8_t, 6> serial{highByte(kManufacturer), lowByte(kManufacturer), 0, 0,
                                            highByte(address),       lowByte(address)};
        devices.push_back({address, kMaskVersions[i], kManufacturer, serial});
    }
    return devices;
}

}  // namespace lintor::bcusim
