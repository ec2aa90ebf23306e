#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The transport and application layer of a telegram (its TPDU: TPCI, APCI
// and data), as device management uses them. The link, the simulated
// devices and lintor-tool all read and write it here.
namespace lintor::tpdu {

// TPCI byte: the top two bits give the kind, bits 5-2 the sequence number
// of the connected kinds.
inline constexpr uint8_t TPCI_KIND_MASK = 0xC0;
inline constexpr uint8_t TPCI_UNNUMBERED_DATA = 0x00;
inline constexpr uint8_t TPCI_NUMBERED_DATA = 0x40;
inline constexpr uint8_t TPCI_UNNUMBERED_CONTROL = 0x80;
inline constexpr uint8_t TPCI_NUMBERED_CONTROL = 0xC0;
inline constexpr uint8_t TPCI_SEQUENCE_MASK = 0x3C;
inline constexpr int TPCI_SEQUENCE_SHIFT = 2;
inline constexpr uint8_t SEQUENCE_MODULO = 16;

// The control TPDUs, sequence number cleared.
inline constexpr uint8_t T_CONNECT = 0x80;
inline constexpr uint8_t T_DISCONNECT = 0x81;
inline constexpr uint8_t T_ACK = 0xC2;
inline constexpr uint8_t T_NAK = 0xC3;

// Ten-bit APCI codes: the low two bits of the TPCI byte and the APCI byte.
// Where a service keeps a small number in the APCI byte's low six bits
// (a byte count, a descriptor type), the code has them clear.
namespace apci {
inline constexpr uint16_t GROUP_VALUE_READ = 0x000;
inline constexpr uint16_t GROUP_VALUE_RESPONSE = 0x040;
inline constexpr uint16_t GROUP_VALUE_WRITE = 0x080;
inline constexpr uint16_t INDIVIDUAL_ADDRESS_WRITE = 0x0C0;
inline constexpr uint16_t INDIVIDUAL_ADDRESS_READ = 0x100;
inline constexpr uint16_t INDIVIDUAL_ADDRESS_RESPONSE = 0x140;
inline constexpr uint16_t MEMORY_READ = 0x200;
inline constexpr uint16_t MEMORY_RESPONSE = 0x240;
inline constexpr uint16_t MEMORY_WRITE = 0x280;
inline constexpr uint16_t DEVICE_DESCRIPTOR_READ = 0x300;
inline constexpr uint16_t DEVICE_DESCRIPTOR_RESPONSE = 0x340;
inline constexpr uint16_t RESTART = 0x380;
inline constexpr uint16_t AUTHORIZE_REQUEST = 0x3D1;
inline constexpr uint16_t AUTHORIZE_RESPONSE = 0x3D2;
inline constexpr uint16_t PROPERTY_VALUE_READ = 0x3D5;
inline constexpr uint16_t PROPERTY_VALUE_RESPONSE = 0x3D6;
inline constexpr uint16_t PROPERTY_VALUE_WRITE = 0x3D7;
}  // namespace apci

// Properties of the device object, the interface object every device with
// properties has at index 0.
namespace property {
inline constexpr uint8_t DEVICE_OBJECT_INDEX = 0;
inline constexpr uint8_t OBJECT_TYPE = 1;         // 2 bytes: 0 for the device object
inline constexpr uint8_t SERIAL_NUMBER = 11;      // 6 bytes: manufacturer, then 4 of its own
inline constexpr uint8_t MANUFACTURER_ID = 12;    // 2 bytes
inline constexpr uint8_t PROGMODE = 54;           // 1 byte: bit 0 is the programming mode
inline constexpr uint8_t MAX_APDU_LENGTH = 56;    // 2 bytes
inline constexpr uint8_t DEVICE_DESCRIPTOR = 83;  // 2 bytes: the mask version
}  // namespace property

// The services whose low six APCI bits carry a number of their own.
inline constexpr uint16_t SHORT_NUMBER_MASK = 0x3F;
constexpr bool carriesShortNumber(uint16_t code) {
    return code == apci::MEMORY_READ || code == apci::MEMORY_RESPONSE || code == apci::MEMORY_WRITE ||
           code == apci::DEVICE_DESCRIPTOR_READ || code == apci::DEVICE_DESCRIPTOR_RESPONSE ||
           (code & ~SHORT_NUMBER_MASK) < apci::INDIVIDUAL_ADDRESS_WRITE;
}

enum class Kind : uint8_t { Data, ConnectedData, Connect, Disconnect, Ack, Nak };

// A TPDU taken apart. For the data kinds, apci is the ten-bit code with the
// short number (if the service has one) in shortNumber, and data what
// follows the APCI byte.
struct Pdu {
    Kind kind = Kind::Data;
    uint8_t sequence = 0;
    uint16_t apci = 0;
    uint8_t shortNumber = 0;
    std::vector<uint8_t> data;

    friend bool operator==(const Pdu&, const Pdu&) = default;
};

// Nothing for an empty TPDU, an unknown control TPDU or a data TPDU without
// its APCI byte.
std::optional<Pdu> read(std::span<const uint8_t> tpdu);
std::vector<uint8_t> write(const Pdu& pdu);

// Shorthands for the PDUs management exchanges.
Pdu control(Kind kind, uint8_t sequence = 0);
Pdu data(uint16_t apci, std::vector<uint8_t> bytes = {}, uint8_t shortNumber = 0);
Pdu connectedData(uint8_t sequence, uint16_t apci, std::vector<uint8_t> bytes = {}, uint8_t shortNumber = 0);

constexpr uint8_t nextSequence(uint8_t sequence) { return static_cast<uint8_t>((sequence + 1) % SEQUENCE_MODULO); }

}  // namespace lintor::tpdu
