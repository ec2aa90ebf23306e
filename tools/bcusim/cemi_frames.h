#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tools/bcusim/line_frame.h"

// The simulated cEMI module's L_Data messages, built from and into the
// line's frames here rather than by the gateway's EMI translation, so that a
// fault in that translation shows against the simulator.
namespace lintor::bcusim {

// The frame a cEMI L_Data.req puts on the line (additional information
// skipped), with the module's own address for a source of 0.0.0. Empty for
// any other message, and for an extended frame.
std::optional<LineFrame> frameOfCemiRequest(std::span<const uint8_t> message, uint16_t ownAddress);

// The L_Data.con of a request: its fields without additional information,
// with the confirm error bit set when nobody acknowledged the frame.
std::optional<std::vector<uint8_t>> cemiConfirmationOf(std::span<const uint8_t> request, bool acknowledged);

// The L_Data.ind the module hands up for a frame it heard:
// 29 00 ctrl1 ctrl2 source destination length TPDU.
std::vector<uint8_t> cemiIndicationOf(const LineFrame& frame);

}  // namespace lintor::bcusim
