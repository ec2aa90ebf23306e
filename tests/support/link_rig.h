#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/bcu_startup.h"
#include "link/serial_link.h"
#include "platform/event_loop.h"
#include "platform/serial_port.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor::test {

// The real link on the simulator's pty and a loop of the test's own, with
// the rig routing what the link reports as the bus link does.
class LinkRig final : public LinkListener {
public:
    using Clock = std::chrono::steady_clock;

    explicit LinkRig(std::string deviceOverride = {}, bcusim::Options options = {});

    // Turns the loop until done() holds or the time is up. Returns done().
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    void pumpFor(std::chrono::milliseconds duration);

    // Frames (not acknowledgements) the host sent, in order.
    std::vector<bcusim::HostUnit> hostFrames() const;
    std::vector<std::string> hostFrameTexts() const;
    // When the BCU last wrote to the line before the given time.
    Clock::time_point lastBcuOutputBefore(Clock::time_point time) const;
    // Every byte on the line with its time, for failure messages.
    std::string trafficLog() const;
    // Records from the bus so far, as hex.
    std::vector<std::string> recordTexts() const;

    // LinkListener.
    void recordFromBus(std::span<const uint8_t> record) override;
    void linkDown() override;
    void linkUp() override { startup->restart(); }
    void bcuReset() override;
    void portOpenFailed(const std::string& device) override { openFailures.push_back(device); }

    std::unique_ptr<bcusim::BcuSimulator> sim;
    SystemClock clock;
    std::unique_ptr<EventLoop> loop;
    SerialPortOpener opener;
    std::unique_ptr<SerialLink> link;
    std::unique_ptr<BcuStartup> startup;
    std::vector<std::vector<uint8_t>> records;
    std::vector<BcuInitStep> steps;
    std::vector<std::string> openFailures;
    int downs = 0;
    int resets = 0;
};

std::chrono::milliseconds millisBetween(LinkRig::Clock::time_point from, LinkRig::Clock::time_point to);

}  // namespace lintor::test
