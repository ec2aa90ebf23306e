#include "knxip/interface_objects.h"

#include "link/byte_order.h"
#include "link/cemi.h"
#include "link/cemi_property.h"

namespace lintor::knxip {
namespace {

namespace object = cemi::object;
namespace pid = cemi::property;
namespace error = cemi::property_error;

// A standard TP1 frame carries 15 bytes of APDU after the TPCI.
constexpr uint16_t kMaxApduLength = 15;
// A TP1 device of System 7's profile: what tools expect of an interface to
// a twisted-pair line.
constexpr uint16_t kMaskVersion = 0x0705;
// No manufacturer code of our own.
constexpr uint16_t kManufacturerId = 0x0000;

std::vector<uint8_t> word(uint16_t value) { return {highByte(value), lowByte(value)}; }

}  // namespace

std::optional<InterfaceObjects::Value> InterfaceObjects::valueOf(uint16_t objectType, uint8_t instance,
                                                                 uint8_t property) const {
    if (instance != 1) return std::nullopt;
    const uint16_t address = identity_.individualAddress;
    if (objectType == object::DEVICE) {
        switch (property) {
        case pid::OBJECT_TYPE:
            return Value{2, word(object::DEVICE)};
        case pid::SERIAL_NUMBER:
            return Value{6, {identity_.serialNumber.begin(), identity_.serialNumber.end()}};
        case pid::MANUFACTURER_ID:
            return Value{2, word(kManufacturerId)};
        case pid::MAX_APDU_LENGTH:
            return Value{2, word(kMaxApduLength)};
        case pid::SUBNET_ADDRESS:
            return Value{1, {highByte(address)}};
        case pid::DEVICE_ADDRESS:
            return Value{1, {lowByte(address)}};
        case pid::DEVICE_DESCRIPTOR:
            return Value{2, word(kMaskVersion)};
        default:
            return std::nullopt;
        }
    }
    if (objectType == object::KNXNETIP_PARAMETER) {
        switch (property) {
        case pid::OBJECT_TYPE:
            return Value{2, word(object::KNXNETIP_PARAMETER)};
        case pid::KNX_INDIVIDUAL_ADDRESS:
            return Value{2, word(address)};
        case pid::MAC_ADDRESS:
            return Value{6, {identity_.macAddress.begin(), identity_.macAddress.end()}};
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> InterfaceObjects::answer(std::span<const uint8_t> request) const {
    const auto asked = cemi::readProperty(request);
    if (!asked) return std::nullopt;
    if (asked->messageCode != cemi::M_PROPREAD_REQ && asked->messageCode != cemi::M_PROPWRITE_REQ) {
        return std::nullopt;
    }
    const auto value = valueOf(asked->objectType, asked->instance, asked->property);
    if (asked->messageCode == cemi::M_PROPWRITE_REQ) {
        return writeProperty(negativeAnswerOf(*asked, cemi::M_PROPWRITE_CON, value ? error::READ_ONLY : error::VOID));
    }
    const auto negative = [&](uint8_t error) {
        return writeProperty(negativeAnswerOf(*asked, cemi::M_PROPREAD_CON, error));
    };
    if (!value) return negative(error::VOID);
    const size_t count = asked->count;
    const size_t start = asked->startIndex;
    const size_t elements = value->elements.size() / value->elementSize;
    // Index 0 holds the number of elements, and only that.
    if (start == 0 && count == 1) {
        return writeProperty(answerOf(*asked, cemi::M_PROPREAD_CON, word(static_cast<uint16_t>(elements))));
    }
    if (count == 0 || start == 0 || start + count - 1 > elements) return negative(error::INDEX_RANGE);
    const auto first = value->elements.begin() + static_cast<ptrdiff_t>((start - 1) * value->elementSize);
    return writeProperty(
        answerOf(*asked, cemi::M_PROPREAD_CON, {first, first + static_cast<ptrdiff_t>(count * value->elementSize)}));
}

}  // namespace lintor::knxip
