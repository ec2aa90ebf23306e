#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lintor::bcusim {

// What the device object of a simulated device reports to
// A_PropertyValue_Read (the property ids are in link/tpdu.h); programming
// mode is the one value a property write may change.
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
