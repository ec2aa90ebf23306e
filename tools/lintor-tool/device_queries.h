#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "link/tpdu.h"
#include "tools/lintor-tool/device_session.h"

namespace lintor::tool {

// The requests a device command asks, and what their responses carry. A
// response for other bytes than those asked, or with a count of 0 (the
// device's "not there" or "not allowed"), carries nothing.

// Descriptor type 0: the mask version.
DeviceRequest maskVersionRequest();
std::optional<uint16_t> maskVersionIn(const tpdu::Pdu& response);

DeviceRequest memoryRequest(uint16_t address, uint8_t count);
std::optional<std::vector<uint8_t>> memoryIn(const tpdu::Pdu& response, uint16_t address, uint8_t count);

// One element of a property of the device object.
DeviceRequest propertyRequest(uint8_t propertyId);
std::optional<std::vector<uint8_t>> propertyIn(const tpdu::Pdu& response, uint8_t propertyId);

}  // namespace lintor::tool
