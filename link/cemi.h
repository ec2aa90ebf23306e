#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "link/emi.h"
#include "link/ldata.h"

// Common EMI, the message format inside tunnelling frames and of today's
// FT1.2 modules, and its translation to and from the EMI records of the bus
// link.
namespace lintor::cemi {

// The L_Data message codes are EMI's.
inline constexpr uint8_t L_DATA_REQ = emi::L_DATA_REQ;
inline constexpr uint8_t L_DATA_CON = emi::L_DATA_CON;
inline constexpr uint8_t L_DATA_IND = emi::L_DATA_IND;
inline constexpr uint8_t M_PROPREAD_REQ = 0xFC;
inline constexpr uint8_t M_PROPREAD_CON = 0xFB;
inline constexpr uint8_t M_PROPWRITE_REQ = 0xF6;
inline constexpr uint8_t M_PROPWRITE_CON = 0xF5;
inline constexpr uint8_t M_RESET_REQ = 0xF1;
inline constexpr uint8_t M_RESET_IND = 0xF0;
inline constexpr uint8_t L_BUSMON_IND = 0x2B;

// Control field 1 is the L_Data control field, control field 2 the NPCI's
// group bit and hop count (link/ldata.h); in a standard frame the lower half
// of control field 2 is zero.
inline constexpr uint8_t CONTROL1_CONFIRM_ERROR = ldata::CONTROL_CONFIRM_ERROR;
inline constexpr uint8_t CONTROL2_GROUP_ADDRESS = ldata::NPCI_GROUP_ADDRESS;
inline constexpr size_t TPDU_LIMIT = ldata::TPDU_LIMIT;

// An L_Data message without its additional information.
struct LData {
    uint8_t messageCode = L_DATA_IND;
    uint8_t control1 = 0;
    uint8_t control2 = 0;
    uint16_t source = 0;
    uint16_t destination = 0;
    std::vector<uint8_t> tpdu;  // TPCI, APCI and data

    friend bool operator==(const LData&, const LData&) = default;
};

// Nothing unless the message is a whole L_Data message of a standard frame:
// its additional information, its length field and its TPDU must all fit.
std::optional<LData> readLData(std::span<const uint8_t> message);
// The message with no additional information.
std::vector<uint8_t> writeLData(const LData& message);

// The MSG_DATA_TO_BCU record of an L_Data.req: priority, addresses, hop
// count and TPDU as the client gave them.
std::vector<uint8_t> emiRequestRecord(const LData& request);

// An uplink payload of the bus link (control byte first, FT1.2 checksum and
// end byte last) as an L_Data message with the given code; nothing when the
// payload is too short for its length.
std::optional<LData> fromUplinkPayload(uint8_t messageCode, std::span<const uint8_t> payload);

// A confirmation of the request: the same frame with the confirm error bit
// set or clear.
LData confirmationOf(const LData& request, bool positive);

// What a BCU 2 would have sent for a module's L_Data.ind, L_Data.con or
// L_Busmon.ind (code first, additional information dropped); nothing for
// any other message.
std::optional<std::vector<uint8_t>> emiMessageOf(std::span<const uint8_t> message);
// The module's L_Data.req for an EMI one (code first); nothing for any
// other message, which a module does not know.
std::optional<std::vector<uint8_t>> moduleRequestOf(std::span<const uint8_t> emiMessage);

}  // namespace lintor::cemi
