#include "knxip/frame_writer.h"

#include <algorithm>

#include "knxip/knxip_protocol.h"
#include "link/byte_order.h"
#include "text/utf8.h"

namespace lintor::knxip {
namespace {

constexpr size_t kTotalLengthAt = 4;
constexpr uint8_t kReserved = 0x00;
constexpr size_t kSupportedFamiliesSize = 8;
constexpr uint8_t kFamilyVersion = 0x01;
constexpr uint32_t kLatin1Limit = 0x100;

// A frame under construction: the header first, its length set by finish().
class FrameBuilder {
public:
    explicit FrameBuilder(uint16_t service) {
        bytes_ = {HEADER_SIZE, PROTOCOL_VERSION, highByte(service), lowByte(service), 0, 0};
    }
    FrameBuilder& byte(uint8_t value) {
        bytes_.push_back(value);
        return *this;
    }
    FrameBuilder& word(uint16_t value) { return byte(highByte(value)).byte(lowByte(value)); }
    FrameBuilder& longWord(uint32_t value) {
        return word(static_cast<uint16_t>(value >> 16)).word(static_cast<uint16_t>(value & 0xFFFF));
    }
    FrameBuilder& bytes(std::span<const uint8_t> values) {
        bytes_.insert(bytes_.end(), values.begin(), values.end());
        return *this;
    }
    FrameBuilder& hpai(const Hpai& hpai) {
        return byte(HPAI_SIZE).byte(IPV4_UDP).longWord(hpai.endpoint.address).word(hpai.endpoint.port);
    }
    FrameBuilder& connectionHeader(uint8_t channel, uint8_t sequence, uint8_t status) {
        return byte(CONNECTION_HEADER_SIZE).byte(channel).byte(sequence).byte(status);
    }
    FrameBuilder& deviceInfo(const DeviceIdentity& identity);
    FrameBuilder& supportedFamilies() {
        return byte(kSupportedFamiliesSize)
            .byte(DIB_SUPP_SVC_FAMILIES)
            .byte(family::CORE)
            .byte(kFamilyVersion)
            .byte(family::DEVICE_MANAGEMENT)
            .byte(kFamilyVersion)
            .byte(family::TUNNELLING)
            .byte(kFamilyVersion);
    }
    std::vector<uint8_t> finish() {
        bytes_[kTotalLengthAt] = highByte(static_cast<uint16_t>(bytes_.size()));
        bytes_[kTotalLengthAt + 1] = lowByte(static_cast<uint16_t>(bytes_.size()));
        return std::move(bytes_);
    }

private:
    std::vector<uint8_t> bytes_;
};

FrameBuilder& FrameBuilder::deviceInfo(const DeviceIdentity& identity) {
    constexpr uint8_t kDeviceStatusNormal = 0x00;
    constexpr uint16_t kNoProjectInstallation = 0x0000;
    // We do not route: no multicast address.
    constexpr uint32_t kNoRoutingMulticast = 0;
    const auto name = friendlyNameField(identity.name);
    return byte(DEVICE_INFO_SIZE)
        .byte(DIB_DEVICE_INFO)
        .byte(MEDIUM_TP1)
        .byte(kDeviceStatusNormal)
        .word(identity.individualAddress)
        .word(kNoProjectInstallation)
        .bytes(identity.serialNumber)
        .longWord(kNoRoutingMulticast)
        .bytes(identity.macAddress)
        .bytes(name);
}

}  // namespace

std::array<uint8_t, 30> friendlyNameField(const std::string& name) {
    std::array<uint8_t, FRIENDLY_NAME_SIZE> field{};
    std::string_view rest = name;
    for (uint8_t& out : field) {
        if (rest.empty()) break;
        const auto decoded = text::readUtf8(rest);
        rest.remove_prefix(decoded ? decoded->length : 1);
        out = decoded && decoded->codePoint < kLatin1Limit ? static_cast<uint8_t>(decoded->codePoint) : '?';
    }
    return field;
}

std::vector<uint8_t> searchResponse(const Hpai& control, const DeviceIdentity& identity) {
    return FrameBuilder(service::SEARCH_RESPONSE).hpai(control).deviceInfo(identity).supportedFamilies().finish();
}

std::vector<uint8_t> descriptionResponse(const DeviceIdentity& identity) {
    return FrameBuilder(service::DESCRIPTION_RESPONSE).deviceInfo(identity).supportedFamilies().finish();
}

std::vector<uint8_t> connectResponse(uint8_t channel, const Hpai& data, uint16_t tunnelAddress) {
    return FrameBuilder(service::CONNECT_RESPONSE)
        .byte(channel)
        .byte(status::E_NO_ERROR)
        .hpai(data)
        .byte(TUNNEL_CRD_SIZE)
        .byte(TUNNEL_CONNECTION)
        .word(tunnelAddress)
        .finish();
}

std::vector<uint8_t> deviceManagementConnectResponse(uint8_t channel, const Hpai& data) {
    return FrameBuilder(service::CONNECT_RESPONSE)
        .byte(channel)
        .byte(status::E_NO_ERROR)
        .hpai(data)
        .byte(DEVICE_MGMT_CRI_SIZE)
        .byte(DEVICE_MGMT_CONNECTION)
        .finish();
}

std::vector<uint8_t> connectRefused(uint8_t status) {
    return FrameBuilder(service::CONNECT_RESPONSE).byte(0).byte(status).finish();
}

std::vector<uint8_t> connectionStateResponse(uint8_t channel, uint8_t status) {
    return FrameBuilder(service::CONNECTIONSTATE_RESPONSE).byte(channel).byte(status).finish();
}

std::vector<uint8_t> disconnectRequest(uint8_t channel, const Hpai& control) {
    return FrameBuilder(service::DISCONNECT_REQUEST).byte(channel).byte(kReserved).hpai(control).finish();
}

std::vector<uint8_t> disconnectResponse(uint8_t channel, uint8_t status) {
    return FrameBuilder(service::DISCONNECT_RESPONSE).byte(channel).byte(status).finish();
}

std::vector<uint8_t> channelMessage(bool deviceConfiguration, uint8_t channel, uint8_t sequence,
                                    std::span<const uint8_t> cemi) {
    return FrameBuilder(deviceConfiguration ? service::DEVICE_CONFIGURATION_REQUEST : service::TUNNELLING_REQUEST)
        .connectionHeader(channel, sequence, kReserved)
        .bytes(cemi)
        .finish();
}

std::vector<uint8_t> channelAck(bool deviceConfiguration, uint8_t channel, uint8_t sequence, uint8_t status) {
    return FrameBuilder(deviceConfiguration ? service::DEVICE_CONFIGURATION_ACK : service::TUNNELLING_ACK)
        .connectionHeader(channel, sequence, status)
        .finish();
}

}  // namespace lintor::knxip
