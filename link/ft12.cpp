#include "link/ft12.h"

#include <algorithm>
#include <cassert>

namespace lintor::ft12 {

std::optional<Receiver::Event> Receiver::push(uint8_t byte) {
    rxBuffer[rxCount++] = byte;
    if (rxCount == 1 && byte == ACK) {
        restart();
        return Event{EventKind::AckReceived, {}};
    }

    std::optional<Event> headerEvent;
    if (rxCount == HEADER_SIZE && rxBuffer[0] == VARIABLE_START && rxBuffer[1] == rxBuffer[2] &&
        rxBuffer[3] == VARIABLE_START) {
        rxExpected = static_cast<uint16_t>(rxBuffer[1] + VARIABLE_OVERHEAD);
        headerEvent = Event{EventKind::HeaderComplete, {rxBuffer.data(), rxCount}};
    }

    if (byte == END && !isLengthByte() && rxCount >= rxExpected) {
        const Event event = rxExpected != 0 ? endOfFrame() : Event{EventKind::Dropped, {rxBuffer.data(), rxCount}};
        restart();
        return event;
    }
    if (headerEvent) return headerEvent;

    if (rxCount == RX_BUFFER_SIZE) {
        const std::span<const uint8_t> bytes(rxBuffer.data(), rxCount);
        restart();
        return Event{EventKind::Overflow, bytes};
    }
    return std::nullopt;
}

// In a collection that starts like a variable frame, a 0x16 is a length byte
// at position 1, and at position 2 only after a first length byte 0x16 (the
// header 68 16 16 68). Anywhere else before the header it ends the
// collection, so a stray header fragment cannot swallow the frame after it.
bool Receiver::isLengthByte() const {
    if (rxBuffer[0] != VARIABLE_START) return false;
    return rxCount == 2 || (rxCount == 3 && rxBuffer[1] == END);
}

// The frame is acknowledged at its header already; only an intact one goes on.
Receiver::Event Receiver::endOfFrame() const {
    const std::span<const uint8_t> frame(rxBuffer.data(), rxExpected);
    const size_t length = rxExpected - VARIABLE_OVERHEAD;
    if (frame.back() != END) return {EventKind::BadEndByte, frame};
    if (checksum(frame.subspan(HEADER_SIZE, length)) != frame[HEADER_SIZE + length]) {
        return {EventKind::BadChecksum, frame};
    }
    return {EventKind::Frame, frame};
}

uint8_t checksum(std::span<const uint8_t> bytes) {
    unsigned sum = 0;
    for (const uint8_t b : bytes) sum += b;
    return static_cast<uint8_t>(sum);
}

EncodedFrame encodeVariableFrame(uint8_t control, std::span<const uint8_t> message) {
    assert(!message.empty() && message.size() <= MAX_EMI_MESSAGE);
    EncodedFrame frame;
    const auto length = static_cast<uint8_t>(message.size() + 1);
    auto* out = frame.bytes.begin();
    *out++ = VARIABLE_START;
    *out++ = length;
    *out++ = length;
    *out++ = VARIABLE_START;
    *out++ = control;
    out = std::ranges::copy(message, out).out;
    *out++ = static_cast<uint8_t>(control + checksum(message));
    *out++ = END;
    frame.size = static_cast<size_t>(out - frame.bytes.begin());
    return frame;
}

}  // namespace lintor::ft12
