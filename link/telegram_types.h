#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "link/bus_message.h"

namespace lintor {

// A telegram's service decides its record type: a row matches when
// serviceKey & mask == value. High byte: TPCI/APCI byte with the sequence
// number cleared; low byte: the APCI byte.
struct TelegramRule {
    uint16_t type;
    uint16_t mask;
    uint16_t value;
    std::string_view service;  // the name tools show
};

inline constexpr std::array<TelegramRule, 42> telegramTypeTable{{
    {0x1000, 0xFFC0, 0x0000, "A_GroupValue_Read"},
    {0x1001, 0xFFC0, 0x0040, "A_GroupValue_Response"},
    {0x1002, 0xFFC0, 0x0080, "A_GroupValue_Write"},
    {0x1003, 0xFFFF, 0x00C0, "A_IndividualAddress_Write"},
    {0x1010, 0xFFFF, 0x0100, "A_IndividualAddress_Read"},
    {0x1011, 0xFFFF, 0x0140, "A_IndividualAddress_Response"},
    {0x1020, 0xFFFF, 0x03DC, "A_IndividualAddressSerialNumber_Read"},
    {0x1021, 0xFFFF, 0x03DD, "A_IndividualAddressSerialNumber_Response"},
    {0x1022, 0xFFFF, 0x03DE, "A_IndividualAddressSerialNumber_Write"},
    {0x1030, 0xFFFF, 0x03DF, "APCI_0x3DF"},
    {0x1031, 0xFFC0, 0x4180, "A_ADC_Read"},
    {0x1032, 0xFFC0, 0x41C0, "A_ADC_Response"},
    {0x1040, 0xFFF0, 0x4200, "A_Memory_Read"},  // byte count ignored
    {0x1041, 0xFFF0, 0x4240, "A_Memory_Response"},
    {0x1042, 0xFFF0, 0x4280, "A_Memory_Write"},
    {0x1050, 0xFFFF, 0x42C0, "A_UserMemory_Read"},
    {0x1051, 0xFFFF, 0x42C1, "A_UserMemory_Response"},
    {0x1052, 0xFFFF, 0x42C2, "A_UserMemory_Write"},
    {0x1053, 0xFFFF, 0x42C4, "A_UserMemoryBit_Write"},
    {0x1060, 0xFFFF, 0x42C5, "A_UserManufacturerInfo_Read"},
    {0x1061, 0xFFFF, 0x42C6, "A_UserManufacturerInfo_Response"},
    {0x1070, 0xFFC0, 0x4300, "A_DeviceDescriptor_Read"},
    {0x1071, 0xFFC0, 0x4340, "A_DeviceDescriptor_Response"},
    {0x1080, 0xFFC0, 0x4380, "A_Restart"},
    {0x1090, 0xFFFF, 0x43D0, "A_MemoryBit_Write"},
    {0x10A0, 0xFFFF, 0x43D1, "A_Authorize_Request"},
    {0x10A1, 0xFFFF, 0x43D2, "A_Authorize_Response"},
    {0x10B0, 0xFFFF, 0x43D3, "A_Key_Write"},
    {0x10B1, 0xFFFF, 0x43D4, "A_Key_Response"},
    {0x10C0, 0xFFFF, 0x43D5, "A_PropertyValue_Read"},
    {0x10C1, 0xFFFF, 0x43D6, "A_PropertyValue_Response"},
    {0x10C2, 0xFFFF, 0x43D7, "A_PropertyValue_Write"},
    {0x10D0, 0xFFFF, 0x43D8, "A_PropertyDescription_Read"},
    {0x10D1, 0xFFFF, 0x43D9, "A_PropertyDescription_Response"},
    {0x10F0, 0xC300, 0x8000, "T_Connect"},
    {0x10F1, 0xC300, 0x8100, "T_Disconnect"},
    {0x10F2, 0xC300, 0x8200, "T_Control_2"},
    {0x10F3, 0xC300, 0x8300, "T_Control_3"},
    {0x10F4, 0xC300, 0xC000, "T_NumberedControl_0"},
    {0x10F5, 0xC300, 0xC100, "T_NumberedControl_1"},
    {0x10F6, 0xC300, 0xC200, "T_ACK"},
    {0x10F7, 0xC300, 0xC300, "T_NAK"},
}};

static_assert(std::ranges::all_of(telegramTypeTable, [](const TelegramRule& r) { return (r.value & ~r.mask) == 0; }),
              "a rule whose value has bits outside its mask can never match");
static_assert(std::ranges::all_of(telegramTypeTable, [](const TelegramRule& r) { return isTelegramRecord(r.type); }));

// TPCI bits 5-2 carry the sequence number, which does not change the service.
inline constexpr uint8_t TPCI_SEQUENCE_MASK = 0x3C;

constexpr uint16_t serviceKey(uint8_t tpciByte, uint8_t apciByte) {
    return static_cast<uint16_t>(((tpciByte & ~TPCI_SEQUENCE_MASK & 0xFF) << 8) | apciByte);
}

// Every row is tried and the last match decides.
constexpr uint16_t telegramTypeFor(uint16_t key) {
    uint16_t type = MSG_UNMATCHED_TELEGRAM;
    for (const TelegramRule& rule : telegramTypeTable) {
        if ((key & rule.mask) == rule.value) type = rule.type;
    }
    return type;
}

}  // namespace lintor
