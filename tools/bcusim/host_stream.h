#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tools/bcusim/frame_codec.h"

namespace lintor::bcusim {

using HostUnitKind = framing::UnitKind;

// One unit the host sent, as the BCU cut it out of the line.
struct HostUnit {
    HostUnitKind kind = HostUnitKind::Garbage;
    std::vector<uint8_t> bytes;
    // Correct checksum and end byte (always true for a lone 0xE5).
    bool wellFormed = false;
    // When its last byte arrived.
    std::chrono::steady_clock::time_point time;
};

// The EMI message inside a variable frame: the bytes between the control
// byte and the checksum.
std::span<const uint8_t> emiMessageOf(const HostUnit& unit);

// Cuts the host's byte stream into units. No I/O: the caller passes the
// arrival time of each byte.
class HostStream {
public:
    std::optional<HostUnit> push(uint8_t byte, std::chrono::steady_clock::time_point now);

private:
    framing::UnitCutter cutter_;
};

}  // namespace lintor::bcusim
