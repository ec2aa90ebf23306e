#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "tools/bcusim/bcu_simulator.h"

namespace lintor::bench {

inline constexpr uint8_t kDataIndication = 0x29;
inline constexpr uint8_t kDataRequest = 0x11;

// The destination group address of a frame with this EMI message code, as
// the simulator saw it go either way: 68 L L 68 C code ctrl src src dst dst.
std::optional<uint16_t> frameGroupAddress(const std::vector<uint8_t>& frame, uint8_t messageCode);

// When the simulator's write() of each indication began, by group address.
std::map<uint16_t, std::chrono::steady_clock::time_point> indicationTimes(const bcusim::BcuSimulator& sim);
// When each request from the host had arrived whole, by group address.
std::map<uint16_t, std::chrono::steady_clock::time_point> requestTimes(const bcusim::BcuSimulator& sim);

}  // namespace lintor::bench
