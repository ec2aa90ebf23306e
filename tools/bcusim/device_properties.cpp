#include "tools/bcusim/device_properties.h"

#include "link/byte_order.h"
#include "link/tpdu.h"

namespace lintor::bcusim {
namespace {

namespace pid = tpdu::property;

constexpr size_t kAddressingSize = 4;
constexpr uint16_t kDeviceObjectType = 0x0000;
// A standard TP1 frame carries at most 15 bytes of APDU.
constexpr uint16_t kMaxApduLength = 15;
constexpr uint8_t kProgrammingModeBit = 0x01;

std::vector<uint8_t> word(uint16_t value) { return {highByte(value), lowByte(value)}; }

// Every property here holds a single element; its bytes.
std::optional<std::vector<uint8_t>> elementOf(uint8_t id, const DeviceObjectState& state) {
    switch (id) {
    case pid::OBJECT_TYPE:
        return word(kDeviceObjectType);
    case pid::SERIAL_NUMBER:
        return std::vector<uint8_t>(state.serialNumber.begin(), state.serialNumber.end());
    case pid::MANUFACTURER_ID:
        return word(state.manufacturer);
    case pid::PROGMODE:
        return std::vector<uint8_t>{static_cast<uint8_t>(state.programmingMode ? kProgrammingModeBit : 0)};
    case pid::MAX_APDU_LENGTH:
        return word(kMaxApduLength);
    case pid::DEVICE_DESCRIPTOR:
        return word(state.maskVersion);
    default:
        return std::nullopt;
    }
}

std::vector<uint8_t> addressing(const PropertyRequest& request, uint8_t count) {
    return {request.object, request.id, static_cast<uint8_t>((count << 4) | ((request.start >> 8) & 0x0F)),
            lowByte(request.start)};
}

bool writeElement(const PropertyRequest& request, DeviceObjectState& state) {
    if (request.id != pid::PROGMODE || request.count != 1 || request.start != 1 || request.data.size() != 1)
        return false;
    state.programmingMode = (request.data[0] & kProgrammingModeBit) != 0;
    return true;
}

}  // namespace

std::optional<PropertyRequest> readPropertyRequest(std::span<const uint8_t> apduData) {
    if (apduData.size() < kAddressingSize) return std::nullopt;
    PropertyRequest request;
    request.object = apduData[0];
    request.id = apduData[1];
    request.count = static_cast<uint8_t>(apduData[2] >> 4);
    request.start = static_cast<uint16_t>((apduData[2] & 0x0F) << 8 | apduData[3]);
    request.data.assign(apduData.begin() + kAddressingSize, apduData.end());
    return request;
}

std::vector<uint8_t> propertyAnswer(const PropertyRequest& request, DeviceObjectState& state, bool write) {
    const bool known = request.object == pid::DEVICE_OBJECT_INDEX && elementOf(request.id, state).has_value();
    if (!known || (write && !writeElement(request, state))) return addressing(request, 0);
    if (request.start == 0 && request.count == 1) {
        std::vector<uint8_t> answer = addressing(request, 1);
        for (const uint8_t b : word(1)) answer.push_back(b);
        return answer;
    }
    if (request.start != 1 || request.count != 1) return addressing(request, 0);
    std::vector<uint8_t> answer = addressing(request, 1);
    const std::vector<uint8_t> element = *elementOf(request.id, state);
    answer.insert(answer.end(), element.begin(), element.end());
    return answer;
}

}  // namespace lintor::bcusim
