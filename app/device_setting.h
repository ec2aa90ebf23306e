#pragma once

#include <string>

#include "platform/settings_store.h"

namespace lintor {

inline constexpr const char* SETTINGS_SECTION = "settings";
inline constexpr const char* SETTING_COM_PORT = "ComPort";
inline constexpr const char* SETTING_DEVICE = "Device";
inline constexpr int DEFAULT_COM_PORT = 1;

// COM1 is /dev/ttyS0; empty for a number that names no device.
std::string devicePathForComPort(int comPort);

// Which serial device the BCU is on: the command line's, else "Device",
// else the one "ComPort" names.
struct DeviceSetting {
    int comPort = DEFAULT_COM_PORT;
    std::string device;
};
DeviceSetting readDeviceSetting(SettingsStore& settings, const std::string& commandLineDevice);

// At shutdown: "ComPort" unchanged, so that the entry exists for the user to edit.
void writeBackComPort(SettingsStore& settings, int comPort);

}  // namespace lintor
