#pragma once

#include <cstddef>
#include <cstdint>

namespace lintor::emi {

// EMI message codes.
inline constexpr uint8_t L_DATA_REQ = 0x11;
inline constexpr uint8_t L_DATA_IND = 0x29;
inline constexpr uint8_t L_DATA_CON = 0x2E;
inline constexpr uint8_t PC_SET_VALUE_REQ = 0xA6;
inline constexpr uint8_t PC_GET_VALUE_REQ = 0xAC;
inline constexpr uint8_t PC_GET_VALUE_CON = 0xAB;
inline constexpr uint8_t PEI_SWITCH_REQ = 0xA9;

// A BCU 2's memory as the host reads and writes it through PC_Get_Value and
// PC_Set_Value: the address table begins with its length; the BCU's own
// individual address follows it, high byte first.
inline constexpr uint16_t ADDRESS_TABLE_LENGTH_AT = 0x0116;
inline constexpr uint16_t INDIVIDUAL_ADDRESS_AT = 0x0117;
// What a device has until it is given an address: 15.15.255.
inline constexpr uint16_t FACTORY_INDIVIDUAL_ADDRESS = 0xFFFF;

// PC_Get_Value.req and .con: code, count of bytes, address high and low,
// then (.con) the bytes.
namespace memory {
inline constexpr size_t COUNT = 1;
inline constexpr size_t ADDRESS = 2;  // 2 bytes
inline constexpr size_t FIRST_DATA = 4;
}  // namespace memory

// The six data bits of the APCI byte, where a small group value travels.
inline constexpr uint8_t APCI_SHORT_DATA_MASK = 0x3F;

// The fields of an L_Data message (request, indication, confirmation),
// counted from its message code. Addresses travel high byte first; the bits
// inside the fields are in link/ldata.h.
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
