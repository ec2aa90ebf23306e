#include "bench/end_to_end/bus_frames.h"

namespace lintor::bench {

std::optional<uint16_t> frameGroupAddress(const std::vector<uint8_t>& frame, uint8_t messageCode) {
    if (frame.size() < 11 || frame[0] != 0x68 || frame[5] != messageCode) return std::nullopt;
    return static_cast<uint16_t>(frame[9] << 8 | frame[10]);
}

std::map<uint16_t, std::chrono::steady_clock::time_point> indicationTimes(const bcusim::BcuSimulator& sim) {
    std::map<uint16_t, std::chrono::steady_clock::time_point> times;
    for (const auto& entry : sim.traffic()) {
        if (entry.direction != bcusim::Direction::ToHost) continue;
        if (const auto address = frameGroupAddress(entry.bytes, kDataIndication)) times.emplace(*address, entry.time);
    }
    return times;
}

std::map<uint16_t, std::chrono::steady_clock::time_point> requestTimes(const bcusim::BcuSimulator& sim) {
    std::map<uint16_t, std::chrono::steady_clock::time_point> times;
    for (const auto& unit : sim.hostUnits()) {
        if (const auto address = frameGroupAddress(unit.bytes, kDataRequest)) times.emplace(*address, unit.time);
    }
    return times;
}

}  // namespace lintor::bench
