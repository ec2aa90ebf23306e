#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// FT1.2 as the simulated BCU speaks it. Kept apart from the gateway's own
// codec, so that a fault in either shows against the other.
namespace lintor::bcusim::framing {

inline constexpr uint8_t ACK = 0xE5;
inline constexpr uint8_t VARIABLE_START = 0x68;  // 68 L L 68 C data CS 16
inline constexpr uint8_t FIXED_START = 0x10;     // 10 C CS 16
inline constexpr uint8_t END = 0x16;

// The control byte: direction, initiator, frame count bit and its valid
// flag, then the function.
inline constexpr uint8_t FROM_BCU = 0x80;
inline constexpr uint8_t PRIMARY = 0x40;
inline constexpr uint8_t FRAME_COUNT_BIT = 0x20;
inline constexpr uint8_t FRAME_COUNT_VALID = 0x10;
inline constexpr uint8_t FUNCTION_RESET = 0x00;
inline constexpr uint8_t FUNCTION_SEND_USER_DATA = 0x03;

inline constexpr uint8_t RESET_CONTROL = PRIMARY | FUNCTION_RESET;
inline constexpr uint8_t SEND_USER_DATA_CONTROL = PRIMARY | FRAME_COUNT_VALID | FUNCTION_SEND_USER_DATA;

// The longest message the simulator frames, as long as the gateway's own
// frames allow.
inline constexpr size_t MESSAGE_LIMIT = 25;

// The sum of the control byte and the data, modulo 256.
uint8_t checksum(uint8_t control, std::span<const uint8_t> data);

std::vector<uint8_t> variableFrame(uint8_t control, std::span<const uint8_t> data);
std::vector<uint8_t> fixedFrame(uint8_t control);

// The bytes between the control byte and the checksum of a variable frame.
std::span<const uint8_t> dataOf(std::span<const uint8_t> frame);

enum class UnitKind {
    Ack,            // a lone 0xE5
    VariableFrame,  // as many bytes as its header says
    FixedFrame,     // four bytes from a 0x10
    Garbage,        // a broken header; other bytes up to a 0x16, before a 0x68, or up to the size limit
};

struct Unit {
    UnitKind kind = UnitKind::Garbage;
    std::vector<uint8_t> bytes;
    // A frame with control byte, right checksum and end byte; a 0xE5.
    bool intact = false;
};

// Cuts the bytes from the host into units, one byte at a time.
class UnitCutter {
public:
    std::optional<Unit> push(uint8_t byte);

private:
    std::optional<Unit> unitIfComplete();
    Unit take(UnitKind kind, bool intact);

    std::vector<uint8_t> pending_;
};

}  // namespace lintor::bcusim::framing
