#include "tools/bcusim/host_stream.h"

namespace lintor::bcusim {
namespace {

constexpr size_t kFixedFrameSize = 4;

bool looksLikeFixedFrame(std::span<const uint8_t> bytes) {
    return bytes.size() == kFixedFrameSize && bytes[0] == ft12::FIXED_START;
}

// The checksum of a fixed frame is the sum of its one control byte.
bool isWellFormedFixedFrame(std::span<const uint8_t> bytes) { return bytes[2] == bytes[1] && bytes[3] == ft12::END; }

HostUnit unitOf(HostUnitKind kind, std::span<const uint8_t> bytes, bool wellFormed,
                std::chrono::steady_clock::time_point now) {
    return HostUnit{kind, std::vector<uint8_t>(bytes.begin(), bytes.end()), wellFormed, now};
}

}  // namespace

std::span<const uint8_t> emiMessageOf(const HostUnit& unit) {
    if (unit.kind != HostUnitKind::VariableFrame || unit.bytes.size() < ft12::VARIABLE_OVERHEAD + 1) return {};
    return std::span(unit.bytes).subspan(ft12::USER_DATA_AT, unit.bytes.size() - ft12::VARIABLE_OVERHEAD - 1);
}

std::optional<HostUnit> HostStream::push(uint8_t byte, std::chrono::steady_clock::time_point now) {
    const auto event = receiver_.push(byte);
    if (!event) return std::nullopt;
    switch (event->kind) {
    case ft12::Receiver::EventKind::AckReceived:
        return HostUnit{HostUnitKind::Ack, {ft12::ACK}, true, now};
    case ft12::Receiver::EventKind::HeaderComplete:
        return std::nullopt;
    case ft12::Receiver::EventKind::Frame:
        // An empty frame carries no EMI message.
        return unitOf(HostUnitKind::VariableFrame, event->bytes, event->bytes.size() > ft12::VARIABLE_OVERHEAD, now);
    case ft12::Receiver::EventKind::BadChecksum:
    case ft12::Receiver::EventKind::BadEndByte:
        return unitOf(HostUnitKind::VariableFrame, event->bytes, false, now);
    case ft12::Receiver::EventKind::Dropped:
    case ft12::Receiver::EventKind::ResetReceived:
        if (looksLikeFixedFrame(event->bytes)) {
            return unitOf(HostUnitKind::FixedFrame, event->bytes, isWellFormedFixedFrame(event->bytes), now);
        }
        return unitOf(HostUnitKind::Garbage, event->bytes, false, now);
    case ft12::Receiver::EventKind::Overflow:
        return unitOf(HostUnitKind::Garbage, event->bytes, false, now);
    }
    return std::nullopt;
}

}  // namespace lintor::bcusim
