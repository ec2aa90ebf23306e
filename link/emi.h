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

// Positions in an uplink telegram payload (the frame from the EMI control
// field on).
namespace payload {
inline constexpr size_t CONTROL = 0;
inline constexpr size_t SOURCE_HIGH = 1;
inline constexpr size_t DESTINATION_HIGH = 3;
inline constexpr size_t DESTINATION_LOW = 4;
inline constexpr size_t NPCI = 5;
inline constexpr size_t TPCI = 6;
inline constexpr size_t APCI = 7;
inline constexpr size_t FIRST_DATA = 8;
}  // namespace payload

}  // namespace lintor::emi
