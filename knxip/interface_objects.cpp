#include "knxip/interface_objects.h"

#include <algorithm>

#include "link/cemi.h"
#include "link/byte_order.h"

namespace lintor::knxip {
namespace {

// M_PropRead and M_PropWrite: code, object type (2), instance, property,
// then the element count in the high nibble of a 16-bit start index.
constexpr size_t kObjectTypeAt = 1;
constexpr size_t kInstanceAt = 3;
constexpr size_t kPropertyAt = 4;
constexpr size_t kCountAndIndexAt = 5;
constexpr size_t kHeaderSize = 7;
constexpr unsigned kCountShift = 12;
constexpr uint16_t kStartIndexMask = 0x0FFF;

// cEMI's property error codes, sent with an element count of 0.
constexpr uint8_t kErrorReadOnly = 0x05;
constexpr uint8_t kErrorVoid = 0x07;
constexpr uint8_t kErrorIndexRange = 0x09;

// Interface object types and property identifiers.
constexpr uint16_t kDeviceObject = 0;
constexpr uint16_t kKnxIpParameterObject = 11;
constexpr uint8_t kPidObjectType = 1;
constexpr uint8_t kPidSerialNumber = 11;
constexpr uint8_t kPidManufacturerId = 12;
constexpr uint8_t kPidMaxApduLength = 56;
constexpr uint8_t kPidSubnetAddress = 57;  // the address's high byte
constexpr uint8_t kPidDeviceAddress = 58;  // and its low byte
constexpr uint8_t kPidDeviceDescriptor = 83;
constexpr uint8_t kPidKnxIndividualAddress = 52;  // of the parameter object
constexpr uint8_t kPidMacAddress = 64;

// A standard TP1 frame carries 15 bytes of APDU after the TPCI.
constexpr uint16_t kMaxApduLength = 15;
// A TP1 device of System 7's profile: what tools expect of an interface to
// a twisted-pair line.
constexpr uint16_t kMaskVersion = 0x0705;
// No manufacturer code of our own.
constexpr uint16_t kManufacturerId = 0x0000;

std::vector<uint8_t> word(uint16_t value) { return {highByte(value), lowByte(value)}; }

std::vector<uint8_t> negative(std::span<const uint8_t> request, uint8_t code, uint8_t error) {
    std::vector<uint8_t> reply(request.begin(), request.begin() + kHeaderSize);
    reply[0] = code;
    reply[kCountAndIndexAt] &= static_cast<uint8_t>(kStartIndexMask >> 8);
    reply.push_back(error);
    return reply;
}

}  // namespace

std::optional<InterfaceObjects::Value> InterfaceObjects::valueOf(uint16_t objectType, uint8_t instance,
                                                                 uint8_t property) const {
    if (instance != 1) return std::nullopt;
    const uint16_t address = identity_.individualAddress;
    if (objectType == kDeviceObject) {
        switch (property) {
        case kPidObjectType:
            return Value{2, word(kDeviceObject)};
        case kPidSerialNumber:
            return Value{6, {identity_.serialNumber.begin(), identity_.serialNumber.end()}};
        case kPidManufacturerId:
            return Value{2, word(kManufacturerId)};
        case kPidMaxApduLength:
            return Value{2, word(kMaxApduLength)};
        case kPidSubnetAddress:
            return Value{1, {highByte(address)}};
        case kPidDeviceAddress:
            return Value{1, {lowByte(address)}};
        case kPidDeviceDescriptor:
            return Value{2, word(kMaskVersion)};
        default:
            return std::nullopt;
        }
    }
    if (objectType == kKnxIpParameterObject) {
        switch (property) {
        case kPidObjectType:
            return Value{2, word(kKnxIpParameterObject)};
        case kPidKnxIndividualAddress:
            return Value{2, word(address)};
        case kPidMacAddress:
            return Value{6, {identity_.macAddress.begin(), identity_.macAddress.end()}};
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> InterfaceObjects::answer(std::span<const uint8_t> request) const {
    if (request.size() < kHeaderSize) return std::nullopt;
    const uint8_t code = request[0];
    if (code != cemi::M_PROPREAD_REQ && code != cemi::M_PROPWRITE_REQ) return std::nullopt;
    const auto value = valueOf(readBigEndian16(request, kObjectTypeAt), request[kInstanceAt], request[kPropertyAt]);
    if (code == cemi::M_PROPWRITE_REQ) {
        return negative(request, cemi::M_PROPWRITE_CON, value ? kErrorReadOnly : kErrorVoid);
    }
    if (!value) return negative(request, cemi::M_PROPREAD_CON, kErrorVoid);
    const uint16_t countAndIndex = readBigEndian16(request, kCountAndIndexAt);
    const size_t count = countAndIndex >> kCountShift;
    const size_t start = countAndIndex & kStartIndexMask;
    const size_t elements = value->elements.size() / value->elementSize;
    std::vector<uint8_t> reply(request.begin(), request.begin() + kHeaderSize);
    reply[0] = cemi::M_PROPREAD_CON;
    // Index 0 holds the number of elements, and only that.
    if (start == 0 && count == 1) {
        const auto number = word(static_cast<uint16_t>(elements));
        reply.insert(reply.end(), number.begin(), number.end());
        return reply;
    }
    if (count == 0 || start == 0 || start + count - 1 > elements) {
        return negative(request, cemi::M_PROPREAD_CON, kErrorIndexRange);
    }
    const auto first = value->elements.begin() + static_cast<ptrdiff_t>((start - 1) * value->elementSize);
    reply.insert(reply.end(), first, first + static_cast<ptrdiff_t>(count * value->elementSize));
    return reply;
}

}  // namespace lintor::knxip
