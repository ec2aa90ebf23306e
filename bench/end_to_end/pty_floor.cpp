#include "bench/end_to_end/pty_floor.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <thread>

#include "platform/pty.h"

namespace lintor::bench {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

uint64_t threadOnCpuNanos() {
    std::ifstream schedstat("/proc/thread-self/schedstat");
    uint64_t nanos = 0;
    schedstat >> nanos;
    return nanos;
}

}  // namespace

PtyFloor measurePtyFloor(size_t samples) {
    PtyPair pty = openPtyPair().take();
    // A frame of a one-byte group write: 16 bytes.
    constexpr std::array<uint8_t, 16> frame{0x68, 0x0A, 0x0A, 0x68, 0xF3, 0x29, 0xBC, 0x11,
                                            0x01, 0x0A, 0x03, 0xE1, 0x00, 0x81, 0x00, 0x16};
    std::atomic<int64_t> readAt{0};
    PtyFloor floor;
    std::thread reader([&] {
        std::array<uint8_t, 64> buffer;
        size_t have = 0;
        const uint64_t before = threadOnCpuNanos();
        size_t reads = 0;
        for (size_t done = 0; done < samples;) {
            pollfd fd{pty.slaveKeepAlive.get(), POLLIN, 0};
            if (::poll(&fd, 1, 2000) <= 0) return;
            const ssize_t n = ::read(pty.slaveKeepAlive.get(), buffer.data(), buffer.size());
            if (n <= 0) continue;
            have += static_cast<size_t>(n);
            if (have < frame.size()) continue;
            have -= frame.size();
            readAt = Clock::now().time_since_epoch().count();
            ++done;
            ++reads;
        }
        if (reads > 0) floor.onCpuMicrosPerRead = static_cast<double>(threadOnCpuNanos() - before) / 1000.0 / reads;
    });
    for (size_t i = 0; i < samples; ++i) {
        std::this_thread::sleep_for(5ms);
        readAt = 0;
        const auto written = Clock::now();
        if (::write(pty.master.get(), frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) break;
        const auto deadline = written + 1s;
        while (readAt == 0 && Clock::now() < deadline) std::this_thread::yield();
        if (readAt == 0) break;
        const Clock::time_point read(Clock::duration(readAt.load()));
        floor.latencies.push_back(std::chrono::duration<double, std::milli>(read - written).count());
    }
    reader.join();
    return floor;
}

}  // namespace lintor::bench
