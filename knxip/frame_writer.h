#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "knxip/frame_reader.h"

namespace lintor::knxip {

// What DESCRIPTION_RESPONSE and SEARCH_RESPONSE tell about us.
struct DeviceIdentity {
    std::string name;  // ISO 8859-1 on the wire; cut to 30 bytes
    uint16_t individualAddress = 0;
    std::array<uint8_t, 6> serialNumber{};
    std::array<uint8_t, 6> macAddress{};
};

std::vector<uint8_t> searchResponse(const Hpai& control, const DeviceIdentity& identity);
std::vector<uint8_t> descriptionResponse(const DeviceIdentity& identity);
std::vector<uint8_t> connectResponse(uint8_t channel, const Hpai& data, uint16_t tunnelAddress);
std::vector<uint8_t> deviceManagementConnectResponse(uint8_t channel, const Hpai& data);
// A refused connection: channel 0, the status and nothing more.
std::vector<uint8_t> connectRefused(uint8_t status);
std::vector<uint8_t> connectionStateResponse(uint8_t channel, uint8_t status);
std::vector<uint8_t> disconnectRequest(uint8_t channel, const Hpai& control);
std::vector<uint8_t> disconnectResponse(uint8_t channel, uint8_t status);
std::vector<uint8_t> channelMessage(bool deviceConfiguration, uint8_t channel, uint8_t sequence,
                                    std::span<const uint8_t> cemi);
std::vector<uint8_t> channelAck(bool deviceConfiguration, uint8_t channel, uint8_t sequence, uint8_t status);

// The friendly name field: Latin-1 where the text is UTF-8 of it, '?' for
// other characters, zero-padded to 30 bytes.
std::array<uint8_t, 30> friendlyNameField(const std::string& name);

}  // namespace lintor::knxip
