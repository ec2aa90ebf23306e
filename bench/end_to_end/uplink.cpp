#include "bench/end_to_end/uplink.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/end_to_end/bus_frames.h"

namespace lintor::bench {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kWarmUpTimeout = 10s;
constexpr auto kWarmUpRepeat = 1s;
constexpr auto kDrainTimeout = 3s;

// A telegram that every reader must have before the figures count, sent
// again until each has had one: a gateway may still be taking the last
// clients when the first goes out. False when none had any.
bool warmUp(Subject& subject) {
    const ReaderPool& pool = *subject.pool;
    const auto deadline = Clock::now() + kWarmUpTimeout;
    uint16_t address = 0;
    while (Clock::now() < deadline) {
        address = subject.takeAddresses(1);
        subject.gateway.sim->injectGroupWrite(address, 1, bcusim::SIX_BIT_VALUE);
        const auto next = std::min(deadline, Clock::now() + kWarmUpRepeat);
        while (pool.receivedBy(address) < pool.size() && Clock::now() < next) std::this_thread::sleep_for(5ms);
        if (pool.receivedBy(address) == pool.size()) return true;
    }
    std::fprintf(stderr, "e2e: %s: not every one of %zu readers is served\n", subject.gateway.name.c_str(),
                 pool.size());
    return pool.receivedBy(address) > 0;
}

bool connectReaders(Subject& subject, size_t readers) {
    if (subject.hasReaders(readers)) return true;
    subject.offerReaders(readers);
    progress(subject, std::to_string(subject.pool->size()) + " readers connected");
    if (subject.pool->size() < readers) {
        std::fprintf(stderr, "e2e: %s took %zu of %zu readers\n", subject.gateway.name.c_str(), subject.pool->size(),
                     readers);
    }
    return subject.pool->size() > 0 && warmUp(subject);
}

void send(Subject& subject, uint16_t first, const UplinkLoad& load) {
    const auto start = Clock::now();
    const auto period = std::chrono::duration_cast<Clock::duration>(1s) / load.ratePerSecond;
    for (size_t i = 0; i < load.telegrams; ++i) {
        std::this_thread::sleep_until(start + period * static_cast<int64_t>(i));
        subject.gateway.sim->injectGroupWrite(static_cast<uint16_t>(first + i), 1, bcusim::SIX_BIT_VALUE);
    }
    const auto last = static_cast<uint16_t>(first + load.telegrams - 1);
    const auto deadline = Clock::now() + kDrainTimeout;
    while (subject.pool->receivedBy(last) < subject.pool->size() && Clock::now() < deadline)
        std::this_thread::sleep_for(2ms);
}

// The first and the last reader's latencies; a telegram counts as lost
// unless every reader had it.
void addLatencyRows(Subject& subject, uint16_t first, const UplinkLoad& load) {
    const ReaderPool& pool = *subject.pool;
    const auto written = indicationTimes(*subject.gateway.sim);
    const std::string name =
        "uplink " + std::to_string(load.ratePerSecond) + "/s, " + std::to_string(load.readers) + " reader";
    Row lastReader{load.readers > 1 ? name + "s, last" : name, {}, 0, 0};
    Row firstReader{name + "s, first", {}, 0, 0};
    std::vector<double> lastLatencies;
    std::vector<double> firstLatencies;
    for (size_t i = 0; i < load.telegrams; ++i) {
        const auto address = static_cast<uint16_t>(first + i);
        const auto at = written.find(address);
        const auto receipt = pool.lastReceipt(address);
        if (at == written.end() || !receipt || pool.receivedBy(address) < pool.size()) {
            ++lastReader.lost;
            continue;
        }
        lastLatencies.push_back(millis(*receipt - at->second));
        firstLatencies.push_back(millis(*pool.firstReceipt(address) - at->second));
    }
    lastReader.summary = summarize(lastLatencies);
    firstReader.summary = summarize(firstLatencies);
    firstReader.lost = lastReader.lost;
    if (pool.size() < load.readers) firstReader.readersTaken = lastReader.readersTaken = pool.size();
    if (load.readers > 1) subject.figures.rows.push_back(firstReader);
    subject.figures.rows.push_back(lastReader);
}

}  // namespace

bool measureUplink(Subject& subject, const UplinkLoad& load) {
    progress(subject,
             "uplink, " + std::to_string(load.readers) + " readers, " + std::to_string(load.ratePerSecond) + "/s");
    if (!connectReaders(subject, load.readers)) return false;
    std::this_thread::sleep_for(300ms);
    const uint16_t first = subject.takeAddresses(load.telegrams);
    const ProcessStats before = processStats(subject.pid());
    send(subject, first, load);
    const ProcessStats after = processStats(subject.pid());
    Figures& figures = subject.figures;
    if (after.residentKiB > figures.load.residentKiB) figures.load = after;
    addLatencyRows(subject, first, load);
    const std::string key = std::to_string(load.ratePerSecond) + "/s, " + std::to_string(load.readers) + " readers";
    const auto telegrams = static_cast<double>(load.telegrams);
    figures.cpuPerTelegramMicros.emplace_back(
        key, static_cast<double>(after.onCpuNanos - before.onCpuNanos) / 1000.0 / telegrams);
    figures.switchesPerTelegram.emplace_back(
        key, static_cast<double>(after.contextSwitches - before.contextSwitches) / telegrams);
    return true;
}

}  // namespace lintor::bench
