#include "tools/lintor-tool/device_probe.h"

#include "link/byte_order.h"
#include "tools/lintor-tool/device_family.h"
#include "tools/lintor-tool/device_queries.h"
#include "tools/lintor-tool/device_session.h"

namespace lintor::tool {
namespace {

// Bit 0 of this memory byte, or of PID_PROGMODE, is the programming mode;
// bit 7 of the memory byte is a parity bit.
constexpr uint16_t kProgrammingModeAt = 0x0060;
constexpr uint8_t kProgrammingModeBit = 0x01;

// Manufacturer (2 bytes), device type (2), version (1).
constexpr uint16_t kApplicationHeaderAt = 0x0103;
constexpr uint8_t kApplicationHeaderSize = 5;

constexpr size_t kSerialNumberSize = 6;
constexpr size_t kManufacturerSize = 2;

std::optional<std::vector<uint8_t>> readMemory(DeviceSession& session, uint16_t address, uint8_t count) {
    const auto answer = session.ask(memoryRequest(address, count));
    if (const auto* response = std::get_if<tpdu::Pdu>(&answer)) return memoryIn(*response, address, count);
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> readProperty(DeviceSession& session, uint8_t propertyId, size_t size) {
    const auto answer = session.ask(propertyRequest(propertyId));
    const auto* response = std::get_if<tpdu::Pdu>(&answer);
    if (!response) return std::nullopt;
    auto value = propertyIn(*response, propertyId);
    if (!value || value->size() != size) return std::nullopt;
    return value;
}

void readApplicationHeader(DeviceSession& session, DeviceFacts& facts) {
    const auto header = readMemory(session, kApplicationHeaderAt, kApplicationHeaderSize);
    if (!header) return;
    if (!facts.manufacturer) facts.manufacturer = readBigEndian16(*header, 0);
    facts.application = Application{readBigEndian16(*header, 2), (*header)[4]};
}

std::optional<bool> readProgrammingMode(DeviceSession& session, const DeviceFamily& family) {
    auto mode = family.programmingModeProperty ? readProperty(session, tpdu::property::PROGMODE, 1) : std::nullopt;
    if (!mode) mode = readMemory(session, kProgrammingModeAt, 1);
    if (!mode) return std::nullopt;
    return ((*mode)[0] & kProgrammingModeBit) != 0;
}

void readDetails(DeviceSession& session, DeviceFacts& facts, ProbeDepth depth) {
    const DeviceFamily family = familyOf(facts.maskVersion);
    facts.programmingMode = readProgrammingMode(session, family);
    if (family.properties) {
        if (auto serial = readProperty(session, tpdu::property::SERIAL_NUMBER, kSerialNumberSize)) {
            facts.serialNumber = std::move(*serial);
        }
    }
    if (depth == ProbeDepth::Scan) return;
    if (family.properties) {
        if (const auto id = readProperty(session, tpdu::property::MANUFACTURER_ID, kManufacturerSize)) {
            facts.manufacturer = readBigEndian16(*id, 0);
        }
    }
    if (family.applicationHeader) readApplicationHeader(session, facts);
}

}  // namespace

std::variant<DeviceFacts, BusFailure> probeDevice(BusPort& port, uint16_t address, std::chrono::milliseconds timeout,
                                                  ProbeDepth depth) {
    DeviceSession session(port, address, timeout);
    if (const auto failure = session.open()) return *failure;
    const auto answer = session.ask(maskVersionRequest());
    if (const auto* failure = std::get_if<BusFailure>(&answer)) return *failure;
    const auto maskVersion = maskVersionIn(std::get<tpdu::Pdu>(answer));
    if (!maskVersion) return BusFailure::NoAnswer;

    DeviceFacts facts;
    facts.address = address;
    facts.maskVersion = *maskVersion;
    readDetails(session, facts, depth);
    if (session.broken() == BusFailure::Lost) return BusFailure::Lost;
    return facts;
}

}  // namespace lintor::tool
