#pragma once

#include <cstdint>
#include <string_view>

namespace lintor::tool {

// What a mask version tells of the ways into a device.
struct DeviceFamily {
    std::string_view name;  // "BCU 2"; empty for a mask this table does not know
    bool properties = false;
    // PID_PROGMODE before memory 0x0060, which such a device may not keep.
    bool programmingModeProperty = false;
    // Memory 0x0103-0x0107: the application's manufacturer, device type and
    // version, as the configuration tool loaded them.
    bool applicationHeader = false;
};

DeviceFamily familyOf(uint16_t maskVersion);

}  // namespace lintor::tool
