#include "tools/bcusim/frame_codec.h"

#include <utility>

namespace lintor::bcusim::framing {
namespace {

constexpr size_t kHeaderSize = 4;  // 68 L L 68
constexpr size_t kFixedFrameSize = 4;
// A variable frame is L + 6 bytes: header, checksum and end byte around
// the L bytes of control byte and data.
constexpr size_t kAroundControlAndData = 6;
constexpr size_t kLongestUnit = 255 + kAroundControlAndData;

}  // namespace

uint8_t checksum(uint8_t control, std::span<const uint8_t> data) {
    unsigned sum = control;
    for (const uint8_t b : data) sum += b;
    return static_cast<uint8_t>(sum % 256);
}

std::vector<uint8_t> variableFrame(uint8_t control, std::span<const uint8_t> data) {
    const auto length = static_cast<uint8_t>(1 + data.size());
    std::vector<uint8_t> frame{VARIABLE_START, length, length, VARIABLE_START, control};
    for (const uint8_t b : data) frame.push_back(b);
    frame.push_back(checksum(control, data));
    frame.push_back(END);
    return frame;
}

std::vector<uint8_t> fixedFrame(uint8_t control) { return {FIXED_START, control, checksum(control, {}), END}; }

std::span<const uint8_t> dataOf(std::span<const uint8_t> frame) {
    if (frame.size() <= kAroundControlAndData) return {};
    return frame.subspan(kHeaderSize + 1, frame.size() - kAroundControlAndData - 1);
}

std::optional<Unit> UnitCutter::push(uint8_t byte) {
    if (pending_.empty() && byte == ACK) return Unit{UnitKind::Ack, {ACK}, true};
    const bool inGarbage = !pending_.empty() && pending_[0] != VARIABLE_START && pending_[0] != FIXED_START;
    if (inGarbage && byte == VARIABLE_START) {
        // The 0x68 may start a frame: the garbage ends before it.
        Unit garbage = take(UnitKind::Garbage, false);
        pending_.push_back(byte);
        return garbage;
    }
    pending_.push_back(byte);
    return unitIfComplete();
}

std::optional<Unit> UnitCutter::unitIfComplete() {
    const std::vector<uint8_t>& b = pending_;
    if (b[0] == FIXED_START) {
        if (b.size() < kFixedFrameSize) return std::nullopt;
        return take(UnitKind::FixedFrame, b[2] == checksum(b[1], {}) && b[3] == END);
    }
    if (b[0] != VARIABLE_START) {
        if (b.back() != END && b.size() < kLongestUnit) return std::nullopt;
        return take(UnitKind::Garbage, false);
    }
    if (b.size() < kHeaderSize) return std::nullopt;
    const uint8_t length = b[1];
    if (b[2] != length || b[3] != VARIABLE_START) return take(UnitKind::Garbage, false);
    if (b.size() < length + kAroundControlAndData) return std::nullopt;
    const bool hasControl = length > 0;
    const bool intact = hasControl && b[b.size() - 2] == checksum(b[kHeaderSize], dataOf(b)) && b.back() == END;
    return take(UnitKind::VariableFrame, intact);
}

Unit UnitCutter::take(UnitKind kind, bool intact) {
    Unit unit{kind, std::move(pending_), intact};
    pending_.clear();
    return unit;
}

}  // namespace lintor::bcusim::framing
