#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// cEMI's local management: M_PropRead and M_PropWrite of interface object
// properties, as a KNXnet/IP client asks our server and as we ask an FT1.2
// module.
namespace lintor::cemi {

// Interface object types and the property identifiers we use.
namespace object {
inline constexpr uint16_t DEVICE = 0;
inline constexpr uint16_t CEMI_SERVER = 8;
inline constexpr uint16_t KNXNETIP_PARAMETER = 11;
}  // namespace object

namespace property {
inline constexpr uint8_t OBJECT_TYPE = 1;
inline constexpr uint8_t SERIAL_NUMBER = 11;
inline constexpr uint8_t MANUFACTURER_ID = 12;
inline constexpr uint8_t MAX_APDU_LENGTH = 56;
inline constexpr uint8_t SUBNET_ADDRESS = 57;  // device object: the address's high byte
inline constexpr uint8_t DEVICE_ADDRESS = 58;  // and its low byte
inline constexpr uint8_t DEVICE_DESCRIPTOR = 83;
inline constexpr uint8_t COMM_MODE = 52;               // cEMI server object
inline constexpr uint8_t KNX_INDIVIDUAL_ADDRESS = 52;  // KNXnet/IP parameter object
inline constexpr uint8_t MAC_ADDRESS = 64;
}  // namespace property

// PID_COMM_MODE: the module passes L_Data to and from the data link layer.
inline constexpr uint8_t COMM_MODE_DATA_LINK = 0x00;

// The property error codes, sent with an element count of 0.
namespace property_error {
inline constexpr uint8_t READ_ONLY = 0x05;
inline constexpr uint8_t VOID = 0x07;
inline constexpr uint8_t INDEX_RANGE = 0x09;
}  // namespace property_error

// A property message: code, object type, instance, property, a 4-bit
// element count and a 12-bit start index, then the data (elements, or one
// error byte when the count is 0 in an answer).
struct PropertyMessage {
    uint8_t messageCode = 0;
    uint16_t objectType = 0;
    uint8_t instance = 1;
    uint8_t property = 0;
    uint8_t count = 1;
    uint16_t startIndex = 1;
    std::vector<uint8_t> data;

    friend bool operator==(const PropertyMessage&, const PropertyMessage&) = default;
};

inline constexpr uint8_t PROPERTY_COUNT_LIMIT = 15;
inline constexpr uint16_t PROPERTY_START_LIMIT = 0x0FFF;

std::optional<PropertyMessage> readProperty(std::span<const uint8_t> message);
std::vector<uint8_t> writeProperty(const PropertyMessage& message);

// The answer to a request with the same fields: the elements, or no
// elements and the error code.
PropertyMessage answerOf(const PropertyMessage& request, uint8_t answerCode, std::vector<uint8_t> elements);
PropertyMessage negativeAnswerOf(const PropertyMessage& request, uint8_t answerCode, uint8_t error);

}  // namespace lintor::cemi
