#include "bench/end_to_end/downlink.h"

#include <sys/socket.h>

#include <chrono>
#include <map>
#include <stop_token>
#include <thread>
#include <vector>

#include "bench/end_to_end/bus_frames.h"

namespace lintor::bench {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Where the busy line's own telegrams go, out of the way of the measured ones.
constexpr uint16_t kBusyLineAddress = 0xFFF0;
constexpr auto kBusyLinePeriod = 250ms;

// A 13-byte group value write record for this address.
std::vector<uint8_t> groupWriteRecord(uint16_t address) {
    return {0x10,
            0x80,
            0x09,
            0x00,
            0x11,
            0x0C,
            0x11,
            0xFF,
            static_cast<uint8_t>(address >> 8),
            static_cast<uint8_t>(address & 0xFF),
            0xE1,
            0x00,
            0x81};
}

std::map<uint16_t, Clock::time_point> sendWrites(Subject& subject, bool busy, size_t count) {
    const uint16_t first = subject.takeAddresses(count);
    std::map<uint16_t, Clock::time_point> sent;
    uint32_t noise = 12345;
    for (size_t i = 0; i < count; ++i) {
        noise = noise * 1103515245 + 12345;
        std::this_thread::sleep_for(600ms + std::chrono::milliseconds(busy ? (noise >> 16) % 250 : 0));
        const auto address = static_cast<uint16_t>(first + i);
        const auto record = groupWriteRecord(address);
        sent[address] = Clock::now();
        ::send(subject.pool->firstFd(), record.data(), record.size(), MSG_NOSIGNAL);
    }
    std::this_thread::sleep_for(1500ms);
    return sent;
}

}  // namespace

// Busy: a telegram from the bus every 250 ms, so that the line is quiet for
// 200 ms only in short windows.
void measureDownlink(Subject& subject, bool busy, size_t count) {
    progress(subject, busy ? "downlink, busy line" : "downlink, quiet line");
    if (!subject.hasReaders(1)) subject.offerReaders(1);
    std::jthread traffic;
    if (busy) {
        traffic = std::jthread([&sim = *subject.gateway.sim](const std::stop_token& stop) {
            while (!stop.stop_requested()) {
                sim.injectGroupWrite(kBusyLineAddress, 1, bcusim::SIX_BIT_VALUE);
                std::this_thread::sleep_for(kBusyLinePeriod);
            }
        });
    }
    const auto sent = sendWrites(subject, busy, count);
    traffic = {};

    Row row{busy ? "downlink, busy line (4 telegrams/s)" : "downlink, quiet line", {}, 0, 0};
    const auto arrived = requestTimes(*subject.gateway.sim);
    std::vector<double> latencies;
    for (const auto& [address, at] : sent) {
        const auto it = arrived.find(address);
        if (it == arrived.end()) {
            ++row.lost;
            continue;
        }
        latencies.push_back(millis(it->second - at));
    }
    row.summary = summarize(latencies);
    subject.figures.rows.push_back(row);
}

}  // namespace lintor::bench
