#include "app/device_setting.h"

#include "platform/log.h"

namespace lintor {

std::string devicePathForComPort(int comPort) {
    if (comPort <= 0) return {};
    return "/dev/ttyS" + std::to_string(comPort - 1);
}

DeviceSetting readDeviceSetting(SettingsStore& settings, const std::string& commandLineDevice) {
    DeviceSetting setting;
    setting.comPort = settings.readInt(SETTINGS_SECTION, SETTING_COM_PORT, DEFAULT_COM_PORT);
    if (!commandLineDevice.empty()) {
        setting.device = commandLineDevice;
    } else if (auto device = settings.readString(SETTINGS_SECTION, SETTING_DEVICE); device && !device->empty()) {
        setting.device = *device;
    } else {
        setting.device = devicePathForComPort(setting.comPort);
        if (setting.device.empty())
            log::error("ComPort " + std::to_string(setting.comPort) + " names no serial device");
    }
    return setting;
}

void writeBackComPort(SettingsStore& settings, int comPort) {
    settings.writeInt(SETTINGS_SECTION, SETTING_COM_PORT, comPort);
}

}  // namespace lintor
