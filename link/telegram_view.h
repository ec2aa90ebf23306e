#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "link/group_value.h"  // groupDataOf() for the TPDU of a view
#include "link/ldata.h"

namespace lintor {

// "system", "normal", "urgent", "low"
std::string_view priorityName(Priority priority);

// The fields of an uplink telegram payload (telegram records, confirmations
// and other frames are cut alike: control byte first, FT1.2 checksum and end
// byte last).
struct TelegramView {
    uint16_t source = 0;
    uint16_t destination = 0;
    bool groupDestination = false;
    Priority priority = Priority::Low;
    bool repeated = false;          // the control field's "not repeated" bit is clear
    bool confirmFailed = false;     // the confirm bit of an L_Data.con
    uint8_t hopCount = 0;           // the NPCI's routing counter
    std::span<const uint8_t> tpdu;  // TPCI, APCI and data bytes
};

// Nothing when the payload is too short for the length its NPCI gives.
std::optional<TelegramView> viewTelegram(std::span<const uint8_t> payload);

// The service a telegram record stands for, as tools show it:
// "GroupValue_Write", "Memory_Read", "T_Connect"; empty for other types.
std::string_view serviceNameOf(uint16_t recordType);

// The record type a TPDU would be given, for the service of a confirmation.
uint16_t recordTypeOfTpdu(std::span<const uint8_t> tpdu);

}  // namespace lintor
