#include "tools/lintor-tool/device_output.h"

#include <array>
#include <cstdio>

#include "link/individual_address.h"
#include "tools/lintor-tool/device_family.h"
#include "tools/lintor-tool/json_object.h"

namespace lintor::tool {
namespace {

constexpr std::string_view kUnreadable = "not readable";

std::string hexDigits(unsigned value, int digits) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "%0*X", digits, value);
    return text.data();
}

std::string maskText(uint16_t maskVersion) { return hexDigits(maskVersion, 4); }

// As configuration tools write it: the manufacturer's two bytes, a colon,
// the four of the device.
std::string serialText(const std::vector<uint8_t>& serial) {
    std::string text;
    for (size_t at = 0; at < serial.size(); ++at) {
        if (at == 2) text += ":";
        text += hexDigits(serial[at], 2);
    }
    return text;
}

std::string modeText(bool on) { return on ? "on" : "off"; }

std::string applicationText(const Application& application) {
    return "device type 0x" + hexDigits(application.deviceType, 4) + ", version 0x" + hexDigits(application.version, 2);
}

}  // namespace

std::string deviceLine(const DeviceFacts& facts) {
    std::string line = formatIndividualAddress(facts.address) + " mask " + maskText(facts.maskVersion);
    const std::string_view family = familyOf(facts.maskVersion).name;
    if (!family.empty()) line += " " + std::string(family);
    line += ", programming mode " + (facts.programmingMode ? modeText(*facts.programmingMode) : "unknown");
    if (!facts.serialNumber.empty()) line += ", serial number " + serialText(facts.serialNumber);
    return line;
}

std::string deviceJson(const DeviceFacts& facts) {
    JsonObject object;
    object.add("address", formatIndividualAddress(facts.address)).add("mask_version", maskText(facts.maskVersion));
    const std::string_view family = familyOf(facts.maskVersion).name;
    if (!family.empty()) object.add("family", family);
    if (facts.programmingMode) object.add("programming_mode", *facts.programmingMode);
    if (!facts.serialNumber.empty()) object.add("serial_number", serialText(facts.serialNumber));
    if (facts.manufacturer) object.add("manufacturer", "0x" + hexDigits(*facts.manufacturer, 4));
    if (facts.application) {
        object.add("device_type", "0x" + hexDigits(facts.application->deviceType, 4))
            .add("application_version", "0x" + hexDigits(facts.application->version, 2));
    }
    return object.text();
}

std::vector<std::string> deviceInfoLines(const DeviceFacts& facts) {
    const std::string_view family = familyOf(facts.maskVersion).name;
    std::vector<std::string> lines{
        "address: " + formatIndividualAddress(facts.address),
        "mask version: " + maskText(facts.maskVersion) + (family.empty() ? "" : " (" + std::string(family) + ")"),
        "programming mode: " + (facts.programmingMode ? modeText(*facts.programmingMode) : std::string(kUnreadable)),
        "serial number: " + (facts.serialNumber.empty() ? std::string(kUnreadable) : serialText(facts.serialNumber)),
        "manufacturer: " + (facts.manufacturer ? "0x" + hexDigits(*facts.manufacturer, 4) : std::string(kUnreadable)),
    };
    if (facts.application) lines.push_back("application: " + applicationText(*facts.application));
    return lines;
}

}  // namespace lintor::tool
