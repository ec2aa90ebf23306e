#include "bench/end_to_end/downlink.h"

#include <sys/socket.h>

#include <chrono>
#include <map>
#include <stop_token>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <poll.h>

#include <atomic>

#include "bench/end_to_end/bus_frames.h"
#include "bench/end_to_end/process_stats.h"
#include "platform/unique_fd.h"

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

// A client that writes group telegrams to one address as fast as TCP takes
// them, until it is destroyed; then it resets its connection, so that what
// it wrote and the gateway has not read goes with it.
class Flooder {
public:
    Flooder(uint16_t port, uint16_t address) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd_.get(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
        for (int i = 0; i < 100; ++i) {
            const auto record = groupWriteRecord(address);
            burst_.insert(burst_.end(), record.begin(), record.end());
        }
        thread_ = std::jthread([this](const std::stop_token& stop) { flood(stop); });
    }
    ~Flooder() {
        thread_ = {};
        const linger abort{1, 0};
        ::setsockopt(fd_.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    Flooder(const Flooder&) = delete;
    Flooder& operator=(const Flooder&) = delete;

    uint64_t bytesSent() const { return sent_; }

private:
    void flood(const std::stop_token& stop) {
        while (!stop.stop_requested()) {
            pollfd ready{fd_.get(), POLLOUT, 0};
            if (::poll(&ready, 1, 10) != 1) continue;
            const ssize_t n = ::send(fd_.get(), burst_.data(), burst_.size(), MSG_NOSIGNAL);
            if (n > 0) sent_ += static_cast<uint64_t>(n);
        }
    }

    UniqueFd fd_;
    std::vector<uint8_t> burst_;
    std::atomic<uint64_t> sent_ = 0;
    std::jthread thread_;
};

void summarizeRow(Subject& subject, Row row, const std::map<uint16_t, Clock::time_point>& sent) {
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

}  // namespace

void measureDownlinkUnderFlood(Subject& subject, size_t count) {
    progress(subject, "downlink under a flood from another client");
    if (!subject.hasReaders(1)) subject.offerReaders(1);
    const uint16_t floodAddress = subject.takeAddresses(1);
    std::map<uint16_t, Clock::time_point> sent;
    {
        Flooder flooder(subject.gateway.port, floodAddress);
        std::this_thread::sleep_for(1s);
        const ProcessStats before = processStats(subject.pid());
        const auto start = Clock::now();
        sent = sendWrites(subject, false, count);
        const ProcessStats after = processStats(subject.pid());
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        subject.figures.floodCpuMicrosPerSecond =
            static_cast<double>(after.onCpuNanos - before.onCpuNanos) / 1000.0 / seconds;
        subject.figures.floodResidentGrowthKiB =
            static_cast<int64_t>(after.residentKiB) - static_cast<int64_t>(before.residentKiB);
        progress(subject, "the flood wrote " + std::to_string(flooder.bytesSent() / 13) + " records");
    }
    summarizeRow(subject, {"downlink beside a flooding client", {}, 0, 0}, sent);
    // What the flooder had queued goes out at the line's pace.
    std::this_thread::sleep_for(3s);
}

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
    summarizeRow(subject, {busy ? "downlink, busy line (4 telegrams/s)" : "downlink, quiet line", {}, 0, 0}, sent);
}

}  // namespace lintor::bench
