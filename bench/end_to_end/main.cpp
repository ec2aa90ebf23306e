// End-to-end figures of the built gateway on the simulated BCU's pty: uplink
// and downlink latency, CPU per telegram, idle CPU and resident memory.
// Run by hand (bench/e2e); prints one table and writes the same as JSON.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/end_to_end/process_stats.h"
#include "bench/end_to_end/pty_floor.h"
#include "bench/end_to_end/reader_pool.h"
#include "bench/end_to_end/sample_summary.h"
#include "platform/file_limit.h"
#include "tests/support/child_process.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor::bench {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Settings {
    std::string lintord;
    std::string jsonPath = "e2e.json";
    size_t scale = 1;  // divides every sample count
};

struct Row {
    std::string name;
    Summary summary;
    size_t lost = 0;
};

struct Results {
    std::vector<Row> rows;
    std::vector<std::pair<std::string, double>> cpuPerTelegramMicros;
    double floorCpuMicrosPerRead = 0;
    double idleCpuMicrosPerSecond = 0;
    double idleWakeupsPerSecond = 0;
    // Memory after start, at the end of the heaviest load, after the churn.
    ProcessStats start, load, churn;
};

// On stderr, so that the table on stdout stays clean.
void progress(const std::string& step) {
    static const auto start = Clock::now();
    std::fprintf(stderr, "e2e: %6.1f s  %s\n", std::chrono::duration<double>(Clock::now() - start).count(),
                 step.c_str());
}

double millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The destination group address of a frame with this EMI message code, as
// the simulator saw it go either way: 68 L L 68 C code ctrl src src dst dst.
std::optional<uint16_t> frameGroupAddress(const std::vector<uint8_t>& frame, uint8_t messageCode) {
    if (frame.size() < 11 || frame[0] != 0x68 || frame[5] != messageCode) return std::nullopt;
    return static_cast<uint16_t>(frame[9] << 8 | frame[10]);
}

constexpr uint8_t kDataIndication = 0x29;
constexpr uint8_t kDataRequest = 0x11;

// When the simulator's write() of each indication began, by group address.
std::map<uint16_t, Clock::time_point> indicationTimes(const bcusim::BcuSimulator& sim) {
    std::map<uint16_t, Clock::time_point> times;
    for (const auto& entry : sim.traffic()) {
        if (entry.direction != bcusim::Direction::ToHost) continue;
        if (const auto address = frameGroupAddress(entry.bytes, kDataIndication)) times.emplace(*address, entry.time);
    }
    return times;
}

class Bench {
public:
    explicit Bench(Settings settings) : settings_(std::move(settings)) {}
    int run();

private:
    bool startGateway();
    void measureIdle();
    void measureUplink(size_t readers, int ratePerSecond, size_t count);
    void measureDownlink(bool busy, size_t count);
    bool warmUp(ReaderPool& pool);
    uint16_t takeAddresses(size_t count);
    void print() const;
    void writeJson() const;
    size_t scaled(size_t count) const { return std::max<size_t>(count / settings_.scale, 5); }

    Settings settings_;
    Results results_;
    std::unique_ptr<bcusim::BcuSimulator> sim_;
    std::unique_ptr<test::ChildProcess> gateway_;
    std::unique_ptr<ReaderPool> pool_;
    uint16_t port_ = 0;
    uint16_t nextAddress_ = 1;
};

bool Bench::startGateway() {
    sim_ = bcusim::BcuSimulator::start({}).take();
    gateway_ = std::make_unique<test::ChildProcess>(
        settings_.lintord,
        std::vector<std::string>{"--device", sim_->devicePath(), "--gateway-port", "0", "--proxy-port", "0",
                                 "--knxip-port", "0", "--max-clients", "1100", "--log-level", "warning"});
    port_ = test::portFrom(gateway_->waitForLine("Gateway port:", 10s));
    if (port_ == 0 || !gateway_->waitForLine("BCU: connected to BCU", 10s)) {
        std::fprintf(stderr, "e2e: %s did not start on %s\n", settings_.lintord.c_str(), sim_->devicePath().c_str());
        for (const auto& line : gateway_->errorLines()) std::fprintf(stderr, "  %s\n", line.c_str());
        return false;
    }
    return true;
}

void Bench::measureIdle() {
    std::this_thread::sleep_for(1s);
    const ProcessStats before = processStats(gateway_->pid());
    results_.start = before;
    const auto seconds = 10.0 / static_cast<double>(settings_.scale);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const ProcessStats after = processStats(gateway_->pid());
    results_.idleCpuMicrosPerSecond = static_cast<double>(after.onCpuNanos - before.onCpuNanos) / 1000.0 / seconds;
    results_.idleWakeupsPerSecond = static_cast<double>(after.contextSwitches - before.contextSwitches) / seconds;
}

uint16_t Bench::takeAddresses(size_t count) {
    const uint16_t first = nextAddress_;
    nextAddress_ = static_cast<uint16_t>(nextAddress_ + count);
    return first;
}

// One telegram that every reader must have before the figures count.
bool Bench::warmUp(ReaderPool& pool) {
    const uint16_t address = takeAddresses(1);
    sim_->injectGroupWrite(address, 1, bcusim::SIX_BIT_VALUE);
    const auto deadline = Clock::now() + 10s;
    while (pool.receivedBy(address) < pool.size() && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
    return pool.receivedBy(address) == pool.size();
}

void Bench::measureUplink(size_t readers, int ratePerSecond, size_t count) {
    progress("uplink, " + std::to_string(readers) + " readers, " + std::to_string(ratePerSecond) + "/s");
    if (!pool_ || pool_->size() != readers) {
        pool_.reset();
        pool_ = std::make_unique<ReaderPool>(port_, readers);
        progress(std::to_string(readers) + " readers connected");
        if (!warmUp(*pool_)) std::fprintf(stderr, "e2e: not every one of %zu readers is served\n", readers);
    }
    std::this_thread::sleep_for(300ms);
    const uint16_t first = takeAddresses(count);
    const ProcessStats before = processStats(gateway_->pid());
    const auto start = Clock::now();
    const auto period = std::chrono::duration_cast<Clock::duration>(1s) / ratePerSecond;
    for (size_t i = 0; i < count; ++i) {
        std::this_thread::sleep_until(start + period * static_cast<int64_t>(i));
        sim_->injectGroupWrite(static_cast<uint16_t>(first + i), 1, bcusim::SIX_BIT_VALUE);
    }
    const uint16_t last = static_cast<uint16_t>(first + count - 1);
    const auto deadline = Clock::now() + 3s;
    while (pool_->receivedBy(last) < readers && Clock::now() < deadline) std::this_thread::sleep_for(2ms);
    const ProcessStats after = processStats(gateway_->pid());
    if (after.residentKiB > results_.load.residentKiB) results_.load = after;

    const auto written = indicationTimes(*sim_);
    const std::string name = "uplink " + std::to_string(ratePerSecond) + "/s, " + std::to_string(readers) + " reader";
    Row lastReader{readers > 1 ? name + "s, last" : name, {}, 0};
    Row firstReader{name + "s, first", {}, 0};
    std::vector<double> lastLatencies;
    std::vector<double> firstLatencies;
    for (size_t i = 0; i < count; ++i) {
        const auto address = static_cast<uint16_t>(first + i);
        const auto at = written.find(address);
        const auto receipt = pool_->lastReceipt(address);
        if (at == written.end() || !receipt || pool_->receivedBy(address) < readers) {
            ++lastReader.lost;
            continue;
        }
        lastLatencies.push_back(millis(*receipt - at->second));
        firstLatencies.push_back(millis(*pool_->firstReceipt(address) - at->second));
    }
    lastReader.summary = summarize(lastLatencies);
    firstReader.summary = summarize(firstLatencies);
    firstReader.lost = lastReader.lost;
    if (readers > 1) results_.rows.push_back(firstReader);
    results_.rows.push_back(lastReader);
    results_.cpuPerTelegramMicros.emplace_back(
        std::to_string(ratePerSecond) + "/s, " + std::to_string(readers) + " readers",
        static_cast<double>(after.onCpuNanos - before.onCpuNanos) / 1000.0 / static_cast<double>(count));
}

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

// Busy: a telegram from the bus every 250 ms, so that the line is quiet for
// 200 ms only in short windows.
void Bench::measureDownlink(bool busy, size_t count) {
    progress(busy ? "downlink, busy line" : "downlink, quiet line");
    if (!pool_ || pool_->size() != 1) pool_ = std::make_unique<ReaderPool>(port_, 1);
    std::atomic<bool> stop{false};
    std::thread traffic;
    if (busy) {
        traffic = std::thread([&] {
            while (!stop) {
                sim_->injectGroupWrite(0xFFF0, 1, bcusim::SIX_BIT_VALUE);
                std::this_thread::sleep_for(250ms);
            }
        });
    }
    const uint16_t first = takeAddresses(count);
    std::map<uint16_t, Clock::time_point> sent;
    uint32_t noise = 12345;
    for (size_t i = 0; i < count; ++i) {
        noise = noise * 1103515245 + 12345;
        std::this_thread::sleep_for(600ms + std::chrono::milliseconds(busy ? (noise >> 16) % 250 : 0));
        const auto address = static_cast<uint16_t>(first + i);
        const auto record = groupWriteRecord(address);
        sent[address] = Clock::now();
        ::send(pool_->firstFd(), record.data(), record.size(), MSG_NOSIGNAL);
    }
    std::this_thread::sleep_for(1500ms);
    stop = true;
    if (traffic.joinable()) traffic.join();

    Row row{busy ? "downlink, busy line (4 telegrams/s)" : "downlink, quiet line", {}, 0};
    std::map<uint16_t, Clock::time_point> arrived;
    for (const auto& unit : sim_->hostUnits()) {
        if (const auto address = frameGroupAddress(unit.bytes, kDataRequest)) arrived.emplace(*address, unit.time);
    }
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
    results_.rows.push_back(row);
}

int Bench::run() {
    raiseOpenFileLimit();
    progress("pty floor");
    const PtyFloor floor = measurePtyFloor(scaled(500));
    results_.rows.push_back({"pty only: write() to read()", summarize(floor.latencies), 0});
    results_.floorCpuMicrosPerRead = floor.onCpuMicrosPerRead;
    progress("starting " + settings_.lintord);
    if (!startGateway()) return 1;
    progress("idle");
    measureIdle();
    for (const size_t readers : {1, 100, 1000}) {
        measureUplink(readers, 5, scaled(60));
        measureUplink(readers, 50, scaled(500));
    }
    measureDownlink(false, scaled(30));
    measureDownlink(true, scaled(30));
    pool_.reset();
    progress("1000 clients come and go");
    churn(port_, 1000);
    std::this_thread::sleep_for(2s);
    results_.churn = processStats(gateway_->pid());
    print();
    writeJson();
    return 0;
}

std::string today() {
    const std::time_t now = std::time(nullptr);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d", std::localtime(&now));
    return text;
}

void Bench::print() const {
    std::printf("lintord end to end, %s, %u cores; latencies in ms\n", today().c_str(),
                std::thread::hardware_concurrency());
    std::printf("%-38s %6s %8s %8s %8s %8s %8s %5s\n", "", "n", "min", "median", "p95", "p99", "max", "lost");
    for (const Row& row : results_.rows) {
        const Summary& s = row.summary;
        std::printf("%-38s %6zu %8.3f %8.3f %8.3f %8.3f %8.3f %5zu\n", row.name.c_str(), s.n, s.min, s.median, s.p95,
                    s.p99, s.max, row.lost);
    }
    std::printf("on-CPU per telegram (all threads):");
    for (const auto& [name, micros] : results_.cpuPerTelegramMicros) std::printf(" %s %.0f µs;", name.c_str(), micros);
    std::printf("\n  floor: a thread that wakes to read one frame from a pty, %.0f µs", results_.floorCpuMicrosPerRead);
    std::printf("\nidle: %.0f µs on CPU per second, %.1f wake-ups per second\n", results_.idleCpuMicrosPerSecond,
                results_.idleWakeupsPerSecond);
    const auto mb = [](uint64_t kib) { return static_cast<double>(kib) / 1024; };
    std::printf(
        "resident (of it not from files): %.1f (%.1f) MB after start, %.1f (%.1f) under load, "
        "%.1f (%.1f) after 1000 clients came and went\n",
        mb(results_.start.residentKiB), mb(results_.start.anonymousKiB), mb(results_.load.residentKiB),
        mb(results_.load.anonymousKiB), mb(results_.churn.residentKiB), mb(results_.churn.anonymousKiB));
}

void Bench::writeJson() const {
    std::ofstream out(settings_.jsonPath);
    out << "{\n  \"date\": \"" << today() << "\",\n  \"unit\": \"ms\",\n  \"latency\": [\n";
    for (size_t i = 0; i < results_.rows.size(); ++i) {
        const Row& row = results_.rows[i];
        out << "    {\"name\": \"" << row.name << "\", \"lost\": " << row.lost
            << ", \"summary\": " << summaryJson(row.summary) << "}" << (i + 1 < results_.rows.size() ? "," : "")
            << "\n";
    }
    out << "  ],\n  \"cpu_per_telegram_us\": {";
    for (size_t i = 0; i < results_.cpuPerTelegramMicros.size(); ++i) {
        const auto& [name, micros] = results_.cpuPerTelegramMicros[i];
        out << (i ? ", " : "") << "\"" << name << "\": " << micros;
    }
    out << "},\n  \"pty_read_cpu_us\": " << results_.floorCpuMicrosPerRead
        << ",\n  \"idle_cpu_us_per_s\": " << results_.idleCpuMicrosPerSecond
        << ",\n  \"idle_wakeups_per_s\": " << results_.idleWakeupsPerSecond
        << ",\n  \"rss_kib\": {\"start\": " << results_.start.residentKiB << ", \"load\": " << results_.load.residentKiB
        << ", \"churn\": " << results_.churn.residentKiB
        << "},\n  \"anonymous_kib\": {\"start\": " << results_.start.anonymousKiB
        << ", \"load\": " << results_.load.anonymousKiB << ", \"churn\": " << results_.churn.anonymousKiB << "}\n}\n";
    std::printf("JSON: %s\n", settings_.jsonPath.c_str());
}

const char* const kUsage =
    "Usage: lintor_e2e LINTORD [--json FILE] [--quick]\n"
    "Runs LINTORD on a simulated BCU and measures it end to end (about 4 minutes;\n"
    "--quick: a fifth of the samples).\n";

}  // namespace
}  // namespace lintor::bench

int main(int argc, char** argv) {
    using namespace lintor::bench;
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--json" && i + 1 < argc) {
            settings.jsonPath = argv[++i];
        } else if (argument == "--quick") {
            settings.scale = 5;
        } else if (argument == "--help" || argument.starts_with("-") || !settings.lintord.empty()) {
            std::fputs(kUsage, argument == "--help" ? stdout : stderr);
            return argument == "--help" ? 0 : 2;
        } else {
            settings.lintord = argument;
        }
    }
    if (settings.lintord.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    return Bench(settings).run();
}
