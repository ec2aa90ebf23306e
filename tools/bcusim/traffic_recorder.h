#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string_view>
#include <vector>

#include "tools/bcusim/host_stream.h"
#include "tools/bcusim/simulator_options.h"

namespace lintor::bcusim {

enum class Direction { FromHost, ToHost };

struct TrafficEntry {
    std::chrono::steady_clock::time_point time;
    Direction direction = Direction::FromHost;
    std::vector<uint8_t> bytes;
};

struct SimulatorCounters {
    uint64_t framesSent = 0;     // the BCU's own frames, first transmissions
    uint64_t repeats = 0;        // sent again after no 0xE5 came in time
    uint64_t framesDropped = 0;  // given up after the last repeat
    uint64_t acksReceived = 0;   // lone 0xE5 from the host
};

// What the simulator saw and did, written by its thread and read by any
// other. Log lines go to the sink outside the lock, on the writing thread.
class TrafficRecorder {
public:
    using Clock = std::chrono::steady_clock;

    TrafficRecorder(Clock::time_point start, LogSink sink, size_t historyLimit);

    void recordBytes(Direction direction, std::span<const uint8_t> bytes, Clock::time_point now);
    void recordUnit(const HostUnit& unit);
    // A log line about an event: "   1.234567    # text".
    void note(std::string_view text, Clock::time_point now);

    std::vector<TrafficEntry> traffic() const;
    std::vector<HostUnit> hostUnits() const;
    // True once count units have come from the host since the start.
    bool waitForHostUnits(size_t count, std::chrono::milliseconds timeout) const;

    void countFrameSent() { framesSent_.fetch_add(1, std::memory_order_relaxed); }
    void countRepeat() { repeats_.fetch_add(1, std::memory_order_relaxed); }
    void countFrameDropped() { framesDropped_.fetch_add(1, std::memory_order_relaxed); }
    void countAckReceived() { acksReceived_.fetch_add(1, std::memory_order_relaxed); }
    SimulatorCounters counters() const;

private:
    void log(std::string_view tag, std::string_view text, Clock::time_point now) const;

    const Clock::time_point start_;
    const LogSink sink_;
    const size_t historyLimit_;

    mutable std::mutex mutex_;
    mutable std::condition_variable unitArrived_;
    std::deque<TrafficEntry> traffic_;
    std::deque<HostUnit> units_;
    size_t unitsSeen_ = 0;

    std::atomic<uint64_t> framesSent_{0};
    std::atomic<uint64_t> repeats_{0};
    std::atomic<uint64_t> framesDropped_{0};
    std::atomic<uint64_t> acksReceived_{0};
};

}  // namespace lintor::bcusim
