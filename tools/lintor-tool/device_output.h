#pragma once

#include <string>
#include <vector>

#include "tools/lintor-tool/device_probe.h"

namespace lintor::tool {

// 1.1.5 mask 0025 BCU 2, programming mode off, serial number 0083:1234ABCD
std::string deviceLine(const DeviceFacts& facts);
// One JSON object, the members of what is known.
std::string deviceJson(const DeviceFacts& facts);
// "mask version: 0025 (BCU 2)" and the rest, one fact a line.
std::vector<std::string> deviceInfoLines(const DeviceFacts& facts);

}  // namespace lintor::tool
