#include "tools/bcusim/traffic_recorder.h"

#include <cstdio>
#include <string>

#include "platform/log.h"

namespace lintor::bcusim {
namespace {

// Enough for any chunk the simulator reads or writes at once.
constexpr size_t kLoggedBytesLimit = 512;

template <typename T>
void pushBounded(std::deque<T>& history, T entry, size_t limit) {
    if (limit == 0) return;
    if (history.size() >= limit) history.pop_front();
    history.push_back(std::move(entry));
}

}  // namespace

TrafficRecorder::TrafficRecorder(Clock::time_point start, LogSink sink, size_t historyLimit)
    : start_(start),
      sink_(std::move(sink)),
      historyLimit_(historyLimit) {}

void TrafficRecorder::recordBytes(Direction direction, std::span<const uint8_t> bytes, Clock::time_point now) {
    {
        std::lock_guard lock(mutex_);
        pushBounded(traffic_, TrafficEntry{now, direction, {bytes.begin(), bytes.end()}}, historyLimit_);
    }
    log(direction == Direction::FromHost ? "host>" : " bcu>", log::hex(bytes, kLoggedBytesLimit), now);
}

void TrafficRecorder::recordUnit(const HostUnit& unit) {
    {
        std::lock_guard lock(mutex_);
        pushBounded(units_, unit, historyLimit_);
        ++unitsSeen_;
    }
    unitArrived_.notify_all();
}

void TrafficRecorder::note(std::string_view text, Clock::time_point now) { log("    #", text, now); }

void TrafficRecorder::log(std::string_view tag, std::string_view text, Clock::time_point now) const {
    if (!sink_) return;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%11.6f ", seconds);
    std::string line = stamp;
    line += tag;
    line += ' ';
    line += text;
    sink_(line);
}

std::vector<TrafficEntry> TrafficRecorder::traffic() const {
    std::lock_guard lock(mutex_);
    return {traffic_.begin(), traffic_.end()};
}

std::vector<HostUnit> TrafficRecorder::hostUnits() const {
    std::lock_guard lock(mutex_);
    return {units_.begin(), units_.end()};
}

bool TrafficRecorder::waitForHostUnits(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return unitArrived_.wait_for(lock, timeout, [&] { return unitsSeen_ >= count; });
}

SimulatorCounters TrafficRecorder::counters() const {
    return {framesSent_.load(std::memory_order_relaxed), repeats_.load(std::memory_order_relaxed),
            framesDropped_.load(std::memory_order_relaxed), acksReceived_.load(std::memory_order_relaxed)};
}

}  // namespace lintor::bcusim
