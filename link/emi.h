#pragma once

#include <cstddef>
#include <cstdint>

namespace lintor::emi {

// EMI message codes.
inline constexpr uint8_t L_DATA_REQ = 0x11;
inline constexpr uint8_t L_DATA_IND = 0x29;
inline constexpr uint8_t L_DATA_CON = 0x2E;
inline constexpr uint8_t PC_SET_VALUE_REQ = 0xA6;
inline constexpr uint8_t PEI_SWITCH_REQ = 0xA9;

// EMI control field: standard frame (bit 7) and "not repeated" (bit 5),
// with the reserved bit 4 set as the BCU reports it.
inline constexpr uint8_t CONTROL_TELEGRAM_MASK = 0xF0;
inline constexpr uint8_t CONTROL_TELEGRAM = 0xB0;

// NPCI: destination is a group address, and the length nibble.
inline constexpr uint8_t NPCI_GROUP_ADDRESS = 0x80;
inline constexpr uint8_t NPCI_LENGTH_MASK = 0x0F;

// APCI of a group value write in the byte after the TPCI.
inline constexpr uint8_t APCI_GROUP_VALUE_WRITE = 0x80;
inline constexpr uint8_t APCI_SHORT_DATA_MASK = 0x3F;

// The fields of an L_Data message (request, indication, confirmation),
// counted from its message code. Addresses travel high byte first.
namespace field {
inline constexpr size_t MESSAGE_CODE = 0;
inline constexpr size_t CONTROL = 1;
inline constexpr size_t SOURCE = 2;       // 2 bytes
inline constexpr size_t DESTINATION = 4;  // 2 bytes
inline constexpr size_t NPCI = 6;
inline constexpr size_t TPCI = 7;
inline constexpr size_t APCI = 8;
inline constexpr size_t FIRST_DATA = 9;
}  // namespace field

// An uplink telegram payload is the message without its code: where a field
// lies in it.
constexpr size_t inPayload(size_t messageField) { return messageField - field::CONTROL; }

}  // namespace lintor::emi
