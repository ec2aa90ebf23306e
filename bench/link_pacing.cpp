// Measures the downlink pacing of the real link against the simulated
// BCU on a pseudo-terminal and prints the median gaps next to the binding
// values. Not a microbenchmark: it takes about 20 s of wall time.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "link/serial_link.h"
#include "platform/event_loop.h"
#include "platform/serial_port.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class DiscardingListener final : public LinkListener {
public:
    void recordFromBus(std::span<const uint8_t>) override {}
    void linkDown() override {}
    void linkUp() override {}
    void bcuReset() override {}
    void portOpenFailed(const std::string& device) override {
        std::fprintf(stderr, "cannot open %s\n", device.c_str());
    }
};

struct Gaps {
    std::vector<double> ms;
    void print(const char* what, const char* binding) const {
        if (ms.empty()) {
            std::printf("%-52s no samples\n", what);
            return;
        }
        auto sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        std::printf("%-52s median %7.1f ms  min %7.1f  max %7.1f  (n=%zu; binding: %s)\n", what,
                    sorted[sorted.size() / 2], sorted.front(), sorted.back(), sorted.size(), binding);
    }
};

double millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Sends `count` records and returns, for each frame after the first, the
// time since the BCU's last output and since the previous frame.
std::pair<Gaps, Gaps> measure(bcusim::AckMode ackMode, const std::vector<uint8_t>& record, int count) {
    auto sim = bcusim::BcuSimulator::start({}).take();
    sim->setAckMode(ackMode);
    DiscardingListener listener;
    SerialPortOpener opener;
    SystemClock clock;
    auto loop = EventLoop::create(clock).take();
    SerialLink link(*loop, listener, opener, sim->devicePath());
    link.start();
    for (int i = 0; i < count; ++i) link.send(record);

    std::vector<bcusim::HostUnit> frames;
    const auto deadline = Clock::now() + std::chrono::seconds(2 * count + 5);
    while (frames.size() < static_cast<size_t>(count) && Clock::now() < deadline) {
        loop->runOnce(10ms);
        frames.clear();
        for (auto& unit : sim->hostUnits()) {
            if (unit.kind != bcusim::HostUnitKind::Ack) frames.push_back(unit);
        }
    }

    const auto traffic = sim->traffic();
    Gaps sinceBcu;
    Gaps sincePrevious;
    for (size_t i = 1; i < frames.size(); ++i) {
        Clock::time_point lastBcu{};
        for (const auto& entry : traffic) {
            if (entry.direction == bcusim::Direction::ToHost && entry.time < frames[i].time) lastBcu = entry.time;
        }
        sinceBcu.ms.push_back(millis(frames[i].time - lastBcu));
        sincePrevious.ms.push_back(millis(frames[i].time - frames[i - 1].time));
    }
    return {sinceBcu, sincePrevious};
}

}  // namespace
}  // namespace lintor

int main() {
    using namespace lintor;
    const std::vector<uint8_t> groupWrite{0x10, 0x80, 0x09, 0x00, 0x11, 0x0C, 0x11, 0xFF, 0x0A, 0x03, 0xE1, 0x00, 0x81};
    const std::vector<uint8_t> reset{0x00, 0x80, 0x04, 0x00, 0x10, 0x40, 0x40, 0x16};

    const auto [acked, ackedFrames] = measure(bcusim::AckMode::Normal, groupWrite, 15);
    acked.print("acknowledged: BCU's last output -> next frame", ">= 200 ms quiet");
    ackedFrames.print("acknowledged: frame -> next frame", "-");

    const auto [unacked, unackedFrames] = measure(bcusim::AckMode::None, reset, 8);
    unackedFrames.print("no acknowledgement: frame -> next frame", "sixth quiet period, >= 1200 ms");
    return 0;
}
