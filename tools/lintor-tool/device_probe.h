#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "tools/lintor-tool/bus_port.h"

namespace lintor::tool {

// The program the configuration tool loaded, as a BCU 1 or 2 keeps it.
struct Application {
    uint16_t deviceType = 0;
    uint8_t version = 0;
};

// What a device told of itself; empty where it would not or could not say.
struct DeviceFacts {
    uint16_t address = 0;
    uint16_t maskVersion = 0;
    std::optional<bool> programmingMode;
    std::vector<uint8_t> serialNumber;  // 6 bytes, or none
    std::optional<uint16_t> manufacturer;
    std::optional<Application> application;
};

// A scan asks mask version, programming mode and serial number; info all
// that is cheap.
enum class ProbeDepth { Scan, Full };

// One connection to the device. A failure means the device did not give
// even its mask version, or the gateway went away.
std::variant<DeviceFacts, BusFailure> probeDevice(BusPort& port, uint16_t address, std::chrono::milliseconds timeout,
                                                  ProbeDepth depth);

}  // namespace lintor::tool
