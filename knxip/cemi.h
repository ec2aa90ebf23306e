#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Common EMI, the message format inside tunnelling frames, and its
// translation to and from the EMI records of the bus link.
namespace lintor::cemi {

inline constexpr uint8_t L_DATA_REQ = 0x11;
inline constexpr uint8_t L_DATA_CON = 0x2E;
inline constexpr uint8_t L_DATA_IND = 0x29;
inline constexpr uint8_t M_PROPREAD_REQ = 0xFC;
inline constexpr uint8_t M_PROPREAD_CON = 0xFB;
inline constexpr uint8_t M_PROPWRITE_REQ = 0xF6;
inline constexpr uint8_t M_PROPWRITE_CON = 0xF5;
inline constexpr uint8_t M_RESET_REQ = 0xF1;

// Control field 1.
inline constexpr uint8_t CONTROL1_STANDARD_FRAME = 0x80;
inline constexpr uint8_t CONTROL1_DO_NOT_REPEAT = 0x20;
inline constexpr uint8_t CONTROL1_BROADCAST = 0x10;
inline constexpr uint8_t CONTROL1_PRIORITY_MASK = 0x0C;
inline constexpr uint8_t CONTROL1_CONFIRM_ERROR = 0x01;
// Control field 2.
inline constexpr uint8_t CONTROL2_GROUP_ADDRESS = 0x80;
inline constexpr uint8_t CONTROL2_HOP_COUNT_MASK = 0x70;
inline constexpr uint8_t CONTROL2_EXTENDED_FORMAT_MASK = 0x0F;

// A standard frame carries at most 16 TPDU bytes: the length field counts
// those after the first, up to 15.
inline constexpr size_t TPDU_LIMIT = 16;

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

}  // namespace lintor::cemi
