#include "tools/bcusim/management_device.h"

#include <bit>

#include "link/byte_order.h"
#include "link/emi.h"

namespace lintor::bcusim {
namespace {

namespace apci = tpdu::apci;

constexpr uint16_t kMaskBcu1 = 0x0012;
constexpr uint16_t kMaskBcu2Family = 0x0020;
constexpr uint16_t kMaskFamilyMask = 0xFFF0;

// Bit 0 is the programming mode; bit 7 keeps the byte's parity even, which
// is why knxd flips 0x81 together to switch it.
constexpr uint16_t kProgrammingModeAt = 0x0060;
constexpr uint8_t kProgrammingModeBit = 0x01;
constexpr uint8_t kParityBit = 0x80;

constexpr size_t kMemoryAddressSize = 2;
// A response with more would not fit one standard frame.
constexpr uint8_t kLargestMemoryCount = 12;
constexpr uint8_t kDescriptorType0 = 0;

constexpr size_t kAuthorizeRequestSize = 5;  // reserved byte, then the key
constexpr uint32_t kDefaultKey = 0xFFFFFFFF;
constexpr uint8_t kFullAccess = 0;
constexpr uint8_t kFreeAccess = 3;

uint8_t withEvenParity(uint8_t byte) {
    const auto low = static_cast<uint8_t>(byte & ~kParityBit);
    return std::popcount(low) % 2 == 0 ? low : static_cast<uint8_t>(low | kParityBit);
}

std::vector<uint8_t> word(uint16_t value) { return {highByte(value), lowByte(value)}; }

bool overlaps(uint16_t address, size_t count, uint16_t at, size_t size) {
    return address < at + size && at < address + count;
}

}  // namespace

DeviceGeneration generationOf(uint16_t maskVersion) {
    if (maskVersion == kMaskBcu1) return DeviceGeneration::Bcu1;
    if ((maskVersion & kMaskFamilyMask) == kMaskBcu2Family) return DeviceGeneration::Bcu2;
    return DeviceGeneration::System7;
}

ManagementDevice::ManagementDevice(const DeviceIdentity& identity)
    : generation_(generationOf(identity.maskVersion)),
      address_(identity.address),
      object_{identity.maskVersion, identity.manufacturer, identity.serialNumber, false} {
    setAddress(identity.address);
}

ManagementDevice::Reply ManagementDevice::handle(const tpdu::Pdu& request) {
    switch (request.apci) {
    case apci::DEVICE_DESCRIPTOR_READ:
        if (request.shortNumber != kDescriptorType0) return {};
        return {tpdu::data(apci::DEVICE_DESCRIPTOR_RESPONSE, word(object_.maskVersion), kDescriptorType0)};
    case apci::MEMORY_READ:
        return {readMemory(request)};
    case apci::MEMORY_WRITE:
        writeMemory(request);
        return {};
    case apci::PROPERTY_VALUE_READ:
    case apci::PROPERTY_VALUE_WRITE:
        return {answerProperty(request)};
    case apci::AUTHORIZE_REQUEST:
        return {authorize(request)};
    case apci::RESTART:
        setProgrammingMode(false);
        return {std::nullopt, true};
    default:
        return {};
    }
}

std::optional<tpdu::Pdu> ManagementDevice::handleBroadcast(const tpdu::Pdu& request) {
    if (!object_.programmingMode) return std::nullopt;
    if (request.apci == apci::INDIVIDUAL_ADDRESS_READ) return tpdu::data(apci::INDIVIDUAL_ADDRESS_RESPONSE);
    if (request.apci == apci::INDIVIDUAL_ADDRESS_WRITE && request.data.size() == kMemoryAddressSize) {
        setAddress(readBigEndian16(request.data, 0));
    }
    return std::nullopt;
}

// Memory that is not there, or more than fits, gets a count of 0 back.
std::optional<tpdu::Pdu> ManagementDevice::readMemory(const tpdu::Pdu& request) const {
    if (request.data.size() != kMemoryAddressSize) return std::nullopt;
    const uint16_t address = readBigEndian16(request.data, 0);
    const auto bytes =
        request.shortNumber <= kLargestMemoryCount ? memory_.read(address, request.shortNumber) : std::nullopt;
    std::vector<uint8_t> answer = word(address);
    if (!bytes) return tpdu::data(apci::MEMORY_RESPONSE, answer, 0);
    answer.insert(answer.end(), bytes->begin(), bytes->end());
    return tpdu::data(apci::MEMORY_RESPONSE, answer, request.shortNumber);
}

void ManagementDevice::writeMemory(const tpdu::Pdu& request) {
    if (request.data.size() != kMemoryAddressSize + request.shortNumber) return;
    const uint16_t address = readBigEndian16(request.data, 0);
    const auto bytes = std::span(request.data).subspan(kMemoryAddressSize);
    if (!memory_.write(address, bytes) || !memoryHoldsState()) return;
    if (overlaps(address, bytes.size(), kProgrammingModeAt, 1)) {
        object_.programmingMode = (memory_.bytes()[kProgrammingModeAt] & kProgrammingModeBit) != 0;
    }
    if (overlaps(address, bytes.size(), emi::INDIVIDUAL_ADDRESS_AT, 2)) {
        address_ = readBigEndian16(memory_.bytes(), emi::INDIVIDUAL_ADDRESS_AT);
    }
}

std::optional<tpdu::Pdu> ManagementDevice::answerProperty(const tpdu::Pdu& request) {
    if (generation_ == DeviceGeneration::Bcu1) return std::nullopt;
    const auto property = readPropertyRequest(request.data);
    if (!property) return std::nullopt;
    const bool write = request.apci == apci::PROPERTY_VALUE_WRITE;
    const bool wasOn = object_.programmingMode;
    std::vector<uint8_t> answer = propertyAnswer(*property, object_, write);
    if (object_.programmingMode != wasOn) setProgrammingMode(object_.programmingMode);
    return tpdu::data(apci::PROPERTY_VALUE_RESPONSE, std::move(answer));
}

std::optional<tpdu::Pdu> ManagementDevice::authorize(const tpdu::Pdu& request) const {
    if (generation_ == DeviceGeneration::Bcu1 || request.data.size() != kAuthorizeRequestSize) return std::nullopt;
    const uint32_t key = readBigEndian(std::span(request.data).subspan(1));
    return tpdu::data(apci::AUTHORIZE_RESPONSE, {key == kDefaultKey ? kFullAccess : kFreeAccess});
}

void ManagementDevice::setProgrammingMode(bool on) {
    object_.programmingMode = on;
    if (!memoryHoldsState()) return;
    const uint8_t old = memory_.bytes()[kProgrammingModeAt];
    const auto state = static_cast<uint8_t>(on ? old | kProgrammingModeBit : old & ~kProgrammingModeBit);
    const uint8_t stored = withEvenParity(state);
    memory_.write(kProgrammingModeAt, std::span(&stored, 1));
}

// BCU 1 and 2 keep the address in the address table's first entry, after
// its length.
void ManagementDevice::setAddress(uint16_t address) {
    address_ = address;
    if (!memoryHoldsState()) return;
    const std::array<uint8_t, 3> table{1, highByte(address), lowByte(address)};
    memory_.write(emi::ADDRESS_TABLE_LENGTH_AT, table);
}

}  // namespace lintor::bcusim
