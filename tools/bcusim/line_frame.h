#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "link/ldata.h"

namespace lintor::bcusim {

// A telegram as it travels on the simulated TP1 line, between the BCU and
// the simulated devices.
struct LineFrame {
    Priority priority = Priority::Low;
    uint16_t source = 0;
    uint16_t destination = 0;
    bool groupDestination = false;
    uint8_t hopCount = ldata::DEFAULT_HOP_COUNT;
    std::vector<uint8_t> tpdu;

    // Group address 0/0/0: every device listens.
    bool isBroadcast() const { return groupDestination && destination == 0; }
    friend bool operator==(const LineFrame&, const LineFrame&) = default;
};

// The frame an L_Data.req puts on the line: the BCU sends a source of
// 0.0.0 with its own address in its place. Empty for any other message.
std::optional<LineFrame> frameOfRequest(std::span<const uint8_t> message, uint16_t ownAddress);

// The L_Data.ind the BCU hands up for a frame it heard.
std::vector<uint8_t> indicationOf(const LineFrame& frame);
// And back: the frame of an EMI L_Data.ind that is exactly as long as its
// length says. Empty for anything else.
std::optional<LineFrame> frameOfIndication(std::span<const uint8_t> message);

}  // namespace lintor::bcusim
