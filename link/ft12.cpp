#include "link/ft12.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace lintor::ft12 {

std::optional<Receiver::Event> Receiver::push(uint8_t byte) {
    if (std::exchange(restartAtStart_, false)) {
        rxBuffer[0] = VARIABLE_START;
        rxCount = 1;
    }
    rxBuffer[rxCount++] = byte;
    if (rxCount == 1 && byte == ACK) {
        restart();
        return Event{EventKind::AckReceived, {}};
    }
    if (rxExpected != 0 && rxCount == rxExpected) {
        const Event event = endOfFrame();
        restart();
        return event;
    }
    if (rxExpected == 0) {
        if (const auto event = outsideFrame(byte)) return event;
    }
    if (rxCount == RX_BUFFER_SIZE) {
        const std::span<const uint8_t> bytes(rxBuffer.data(), rxCount);
        restart();
        return Event{EventKind::Overflow, bytes};
    }
    return std::nullopt;
}

// Before a header is recognised: the header itself, a 0x16 that ends the
// collection, or a 0x68 where the collection can no longer be a header,
// which may start the next frame.
std::optional<Receiver::Event> Receiver::outsideFrame(uint8_t byte) {
    if (rxCount == HEADER_SIZE && isVariableHeader(std::span(rxBuffer).first(HEADER_SIZE))) {
        rxExpected = static_cast<uint16_t>(rxBuffer[LENGTH_AT] + VARIABLE_OVERHEAD);
        return Event{EventKind::HeaderComplete, {rxBuffer.data(), rxCount}};
    }
    if (byte == END && !isLengthByte()) {
        const std::span<const uint8_t> bytes(rxBuffer.data(), rxCount);
        restart();
        // Noise on the line before the reset must not hide it: a BCU that
        // reset itself delivers nothing until it is started again.
        const bool reset =
            bytes.size() >= RESET_FRAME.size() && std::ranges::equal(bytes.last(RESET_FRAME.size()), RESET_FRAME);
        return Event{reset ? EventKind::ResetReceived : EventKind::Dropped, bytes};
    }
    if (byte == VARIABLE_START && !isHeaderPrefix()) {
        restartAtStart_ = true;
        return Event{EventKind::Dropped, {rxBuffer.data(), rxCount - 1U}};
    }
    return std::nullopt;
}

// 68 L L 68, as far as it has come.
bool Receiver::isHeaderPrefix() const {
    if (rxBuffer[0] != VARIABLE_START || rxCount > HEADER_SIZE) return false;
    if (rxCount > LENGTH_AT + 1 && rxBuffer[LENGTH_AT + 1] != rxBuffer[LENGTH_AT]) return false;
    return rxCount < HEADER_SIZE || rxBuffer[HEADER_SIZE - 1] == VARIABLE_START;
}

// In a collection that starts like a variable frame, a 0x16 is a length byte
// at position 1, and at position 2 only after a first length byte 0x16 (the
// header 68 16 16 68). Anywhere else before the header it ends the
// collection, so a stray header fragment cannot swallow the frame after it.
bool Receiver::isLengthByte() const {
    if (rxBuffer[0] != VARIABLE_START) return false;
    return rxCount == LENGTH_AT + 1 || (rxCount == LENGTH_AT + 2 && rxBuffer[LENGTH_AT] == END);
}

// Decided as soon as L + 6 bytes are in, so that a frame without its end
// byte cannot swallow the one after it. It has been acknowledged at its
// header already; only an intact one goes on.
Receiver::Event Receiver::endOfFrame() const {
    const std::span<const uint8_t> frame(rxBuffer.data(), rxExpected);
    const size_t length = rxExpected - VARIABLE_OVERHEAD;
    if (frame.back() != END) return {EventKind::BadEndByte, frame};
    if (checksum(frame.subspan(CONTROL_AT, length)) != frame[CONTROL_AT + length]) {
        return {EventKind::BadChecksum, frame};
    }
    return {EventKind::Frame, frame};
}

uint8_t checksum(std::span<const uint8_t> bytes) {
    unsigned sum = 0;
    for (const uint8_t b : bytes) sum += b;
    return static_cast<uint8_t>(sum);
}

bool containsResetFrame(std::span<const uint8_t> bytes) {
    constexpr size_t kFixedFrameSize = RESET_FRAME.size();
    while (!bytes.empty()) {
        if (bytes.size() >= kFixedFrameSize && std::ranges::equal(bytes.first(kFixedFrameSize), RESET_FRAME)) {
            return true;
        }
        size_t unit = 1;
        if (isVariableHeader(bytes)) {
            unit = bytes[LENGTH_AT] + VARIABLE_OVERHEAD;
        } else if (bytes.size() >= kFixedFrameSize && bytes[0] == FIXED_START) {
            unit = kFixedFrameSize;
        }
        bytes = bytes.subspan(std::min(unit, bytes.size()));
    }
    return false;
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
