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

    if (byte == END && !isLengthPosition() && rxCount >= rxExpected) {
        const bool framed = rxExpected != 0;
        const std::span<const uint8_t> bytes(rxBuffer.data(), framed ? rxExpected : rxCount);
        restart();
        return Event{framed ? EventKind::Frame : EventKind::Dropped, bytes};
    }
    if (headerEvent) return headerEvent;

    if (rxCount == RX_BUFFER_SIZE) {
        const std::span<const uint8_t> bytes(rxBuffer.data(), rxCount);
        restart();
        return Event{EventKind::Overflow, bytes};
    }
    return std::nullopt;
}

// In a collection that starts like a variable frame, a 0x16 in the two length
// bytes (or where the second start byte belongs) is data: a frame with
// L = 0x16 must not end at its second byte.
bool Receiver::isLengthPosition() const {
    return rxBuffer[0] == VARIABLE_START && rxCount >= 2 && rxCount <= HEADER_SIZE;
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
    auto out = frame.bytes.begin();
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
