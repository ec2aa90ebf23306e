#include "link/bcu_address.h"

#include "link/bus_message.h"
#include "link/byte_order.h"
#include "link/cemi.h"
#include "link/cemi_property.h"
#include "link/emi.h"

namespace lintor {
namespace {

constexpr uint8_t kAddressBytes = 2;

// M_PropRead.req of one element of a device object property.
cemi::PropertyMessage deviceObjectRead(uint8_t property) {
    return {cemi::M_PROPREAD_REQ, cemi::object::DEVICE, 1, property, 1, 1, {}};
}

// The answer to one of the reads: the property and, when positive, its one
// element.
struct ModuleAnswer {
    uint8_t property = 0;
    std::optional<uint8_t> element;
};

std::optional<ModuleAnswer> moduleAnswerOf(std::span<const uint8_t> message) {
    const auto answer = cemi::readProperty(message);
    if (!answer || answer->messageCode != cemi::M_PROPREAD_CON || answer->objectType != cemi::object::DEVICE ||
        answer->instance != 1 || answer->startIndex != 1 ||
        (answer->property != cemi::property::SUBNET_ADDRESS && answer->property != cemi::property::DEVICE_ADDRESS)) {
        return std::nullopt;
    }
    ModuleAnswer read{answer->property, std::nullopt};
    if (answer->count == 1 && answer->data.size() == 1) read.element = answer->data[0];
    return read;
}

}  // namespace

std::vector<std::vector<uint8_t>> BcuAddressRead::requests() const {
    if (interface_ == BusInterface::Cemi) {
        return {recordOf(MSG_NATIVE_TO_BCU, cemi::writeProperty(deviceObjectRead(cemi::property::SUBNET_ADDRESS))),
                recordOf(MSG_NATIVE_TO_BCU, cemi::writeProperty(deviceObjectRead(cemi::property::DEVICE_ADDRESS)))};
    }
    const uint8_t message[] = {emi::PC_GET_VALUE_REQ, kAddressBytes, highByte(emi::INDIVIDUAL_ADDRESS_AT),
                               lowByte(emi::INDIVIDUAL_ADDRESS_AT)};
    return {recordOf(MSG_DATA_TO_BCU, message)};
}

bool BcuAddressRead::take(std::span<const uint8_t> message) {
    if (interface_ == BusInterface::Cemi) return takeModuleAnswer(message);
    if (message.size() != emi::memory::FIRST_DATA + kAddressBytes) return false;
    if (message[emi::field::MESSAGE_CODE] != emi::PC_GET_VALUE_CON || message[emi::memory::COUNT] != kAddressBytes ||
        readBigEndian16(message, emi::memory::ADDRESS) != emi::INDIVIDUAL_ADDRESS_AT) {
        return false;
    }
    high_ = message[emi::memory::FIRST_DATA];
    low_ = message[emi::memory::FIRST_DATA + 1];
    return true;
}

// A refusal is taken too: it is for no client, and the read then runs out.
bool BcuAddressRead::takeModuleAnswer(std::span<const uint8_t> message) {
    const auto answer = moduleAnswerOf(message);
    if (!answer) return false;
    if (answer->element) (answer->property == cemi::property::SUBNET_ADDRESS ? high_ : low_) = answer->element;
    return true;
}

std::optional<uint16_t> BcuAddressRead::address() const {
    if (!high_ || !low_) return std::nullopt;
    return static_cast<uint16_t>(*high_ << 8 | *low_);
}

}  // namespace lintor
