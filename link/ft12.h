#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace lintor::ft12 {

inline constexpr uint8_t VARIABLE_START = 0x68;
inline constexpr uint8_t FIXED_START = 0x10;
inline constexpr uint8_t END = 0x16;
inline constexpr uint8_t ACK = 0xE5;

// "Send user data, frame count valid"; bit 5 is the frame count bit.
inline constexpr uint8_t CONTROL_SEND_USER_DATA = 0x53;
inline constexpr uint8_t FRAME_COUNT_BIT = 0x20;

// The reset of the link, a fixed frame (start, control, checksum, end).
inline constexpr uint8_t CONTROL_RESET = 0x40;
inline constexpr std::array<uint8_t, 4> RESET_FRAME{FIXED_START, CONTROL_RESET, CONTROL_RESET, END};
// The send count after a reset: its first variable frame carries the frame
// count bit set (0x73), the next one clear (0x53), and so on.
inline constexpr uint8_t FIRST_FRAME_SEND_COUNT = 1;

inline constexpr size_t HEADER_SIZE = 4;  // 68 L L 68
inline constexpr size_t LENGTH_AT = 1;
inline constexpr size_t CONTROL_AT = 4;
inline constexpr size_t USER_DATA_AT = 5;        // the EMI message
inline constexpr size_t VARIABLE_OVERHEAD = 6;   // header, checksum, end byte
inline constexpr size_t RX_BUFFER_SIZE = 101;    // a frame with L up to 95
inline constexpr size_t FRAME_BUFFER_SIZE = 32;  // transmit buffer
inline constexpr size_t MAX_EMI_MESSAGE = FRAME_BUFFER_SIZE - VARIABLE_OVERHEAD - 1;

// Cuts variable frames out of the byte stream from the BCU. No I/O, no
// clock: the caller performs what each event asks for.
class Receiver {
public:
    enum class EventKind {
        AckReceived,     // a lone 0xE5 at the start of a collection
        HeaderComplete,  // 68 L L 68 is in: acknowledge now
        Frame,           // a complete, intact variable frame of L + 6 bytes
        BadChecksum,     // L + 6 bytes whose checksum is wrong
        BadEndByte,      // L + 6 bytes whose last byte is not 0x16
        Dropped,         // bytes without a recognised header, ended by 0x16 or by a 0x68 that may start a frame
        ResetReceived,   // the BCU's own reset frame 10 40 40 16 ended the collection: acknowledge it
        Overflow,        // a full buffer without an end byte
    };
    struct Event {
        EventKind kind;
        // The collected bytes; valid until the next push().
        std::span<const uint8_t> bytes;
    };

    std::optional<Event> push(uint8_t byte);

private:
    std::optional<Event> outsideFrame(uint8_t byte);
    bool isHeaderPrefix() const;
    bool isLengthByte() const;
    Event endOfFrame() const;
    void restart() { rxCount = rxExpected = 0; }

    std::array<uint8_t, RX_BUFFER_SIZE> rxBuffer{};
    uint16_t rxCount = 0;
    uint16_t rxExpected = 0;
    // The 0x68 that ended the last collection begins the next.
    bool restartAtStart_ = false;
};

struct EncodedFrame {
    std::array<uint8_t, FRAME_BUFFER_SIZE> bytes{};
    size_t size = 0;

    std::span<const uint8_t> view() const { return {bytes.data(), size}; }
};

// The control byte of the next variable frame: the low bit of the send count
// becomes the frame count bit.
constexpr uint8_t sendControlByte(uint8_t frameSendCount) {
    return static_cast<uint8_t>(CONTROL_SEND_USER_DATA | ((frameSendCount & 1) ? FRAME_COUNT_BIT : 0));
}

// 68 L L 68, control, message, checksum, 16. The message holds 1 to
// MAX_EMI_MESSAGE bytes.
EncodedFrame encodeVariableFrame(uint8_t control, std::span<const uint8_t> message);

uint8_t checksum(std::span<const uint8_t> bytes);

// Whether the bytes begin with a variable frame's header 68 L L 68.
constexpr bool isVariableHeader(std::span<const uint8_t> bytes) {
    return bytes.size() >= HEADER_SIZE && bytes[0] == VARIABLE_START && bytes[LENGTH_AT] == bytes[LENGTH_AT + 1] &&
           bytes[HEADER_SIZE - 1] == VARIABLE_START;
}

// Whether raw bytes for the line hold a reset frame: walked unit by unit
// (acknowledgements, fixed and variable frames), so that frame data that
// happens to read 10 40 40 16 does not count.
bool containsResetFrame(std::span<const uint8_t> bytes);

}  // namespace lintor::ft12
