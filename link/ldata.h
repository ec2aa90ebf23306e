#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lintor {

enum class Priority : uint8_t { System = 0, Normal = 1, Urgent = 2, Low = 3 };

// The fields of an L_Data message and the bits inside them. cEMI carries the
// same control field as its control field 1, and the NPCI without its
// length as its control field 2.
namespace ldata {

inline constexpr uint8_t CONTROL_STANDARD_FRAME = 0x80;
inline constexpr uint8_t CONTROL_NOT_REPEATED = 0x20;
// Always set on the line; cEMI reads it as "broadcast, not system broadcast".
inline constexpr uint8_t CONTROL_BROADCAST = 0x10;
inline constexpr uint8_t CONTROL_PRIORITY_MASK = 0x0C;
inline constexpr uint8_t CONTROL_CONFIRM_ERROR = 0x01;
// Frame type and repetition: the half above the priority.
inline constexpr uint8_t CONTROL_FRAME_MASK = 0xF0;
// A standard frame that went out once, as the BCU reports its telegrams.
inline constexpr uint8_t CONTROL_SENT_ONCE = CONTROL_STANDARD_FRAME | CONTROL_NOT_REPEATED | CONTROL_BROADCAST;

inline constexpr uint8_t NPCI_GROUP_ADDRESS = 0x80;
inline constexpr uint8_t NPCI_HOP_COUNT_MASK = 0x70;
inline constexpr uint8_t NPCI_ROUTING_MASK = NPCI_GROUP_ADDRESS | NPCI_HOP_COUNT_MASK;
inline constexpr uint8_t NPCI_LENGTH_MASK = 0x0F;

// What a new telegram starts with.
inline constexpr uint8_t DEFAULT_HOP_COUNT = 6;

// A standard frame carries 1 to 16 TPDU bytes; the length counts those after
// the first.
inline constexpr size_t TPDU_LIMIT = 16;
constexpr size_t tpduSizeOf(uint8_t length) { return size_t{1} + length; }
constexpr uint8_t lengthOf(size_t tpduSize) { return static_cast<uint8_t>(tpduSize - 1); }

constexpr uint8_t priorityBits(Priority priority) {
    return static_cast<uint8_t>(static_cast<unsigned>(priority) << std::countr_zero(CONTROL_PRIORITY_MASK));
}
constexpr Priority priorityOf(uint8_t control) {
    return static_cast<Priority>((control & CONTROL_PRIORITY_MASK) >> std::countr_zero(CONTROL_PRIORITY_MASK));
}

// The NPCI's group bit and hop count.
constexpr uint8_t routingBits(bool groupDestination, uint8_t hopCount) {
    const auto hops = static_cast<unsigned>(hopCount) << std::countr_zero(NPCI_HOP_COUNT_MASK);
    return static_cast<uint8_t>((groupDestination ? NPCI_GROUP_ADDRESS : 0) | (hops & NPCI_HOP_COUNT_MASK));
}
constexpr uint8_t hopCountOf(uint8_t routing) {
    return static_cast<uint8_t>((routing & NPCI_HOP_COUNT_MASK) >> std::countr_zero(NPCI_HOP_COUNT_MASK));
}

// An L_Data message after its message code.
struct Fields {
    uint8_t control = 0;
    uint16_t source = 0;
    uint16_t destination = 0;
    uint8_t routing = 0;            // the NPCI without its length
    std::span<const uint8_t> tpdu;  // TPCI, APCI and data
};

// From the control field on: an uplink payload, or a message after its
// code. Nothing when the bytes are too short for the length the NPCI gives;
// bytes after the TPDU are left alone.
std::optional<Fields> readFields(std::span<const uint8_t> fromControl);

// The message code, then the fields; the TPDU holds 1 to TPDU_LIMIT bytes.
std::vector<uint8_t> writeMessage(uint8_t messageCode, const Fields& fields);

}  // namespace ldata
}  // namespace lintor
