#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lintor::bcusim {

// The device object (interface object 0) of a simulated device, as
// A_PropertyValue_Read and _Write see it.
namespace pid {
inline constexpr uint8_t OBJECT_TYPE = 1;
inline constexpr uint8_t SERIAL_NUMBER = 11;
inline constexpr uint8_t MANUFACTURER_ID = 12;
inline constexpr uint8_t PROGMODE = 54;
inline constexpr uint8_t MAX_APDU_LENGTH = 56;
inline constexpr uint8_t DEVICE_DESCRIPTOR = 83;
}  // namespace pid

inline constexpr uint8_t DEVICE_OBJECT_INDEX = 0;

// What the device object reports; programming mode is the one value a
// property write may change.
struct DeviceObjectState {
    uint16_t maskVersion = 0;
    uint16_t manufacturer = 0;
    std::array<uint8_t, 6> serialNumber{};
    bool programmingMode = false;
};

// The request's addressing: object index, property id, then four bits of
// element count and twelve of start index. Element 0 is the number of
// elements the property holds.
struct PropertyRequest {
    uint8_t object = 0;
    uint8_t id = 0;
    uint8_t count = 0;
    uint16_t start = 0;
    std::vector<uint8_t> data;  // the elements a write carries
};

std::optional<PropertyRequest> readPropertyRequest(std::span<const uint8_t> apduData);

// The data of the A_PropertyValue_Response: the request's addressing with
// the count of elements given (0 for a property it does not have, or an
// access it refuses), then their bytes.
std::vector<uint8_t> propertyAnswer(const PropertyRequest& request, DeviceObjectState& state, bool write);

}  // namespace lintor::bcusim
