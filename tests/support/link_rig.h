#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/bcu_startup.h"
#include "link/serial_link.h"
#include "platform/serial_port.h"
#include "tests/support/link_fakes.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor::test {

// The real link worker on the simulator's pty, with the test thread playing
// the user-interface thread.
class LinkRig {
public:
    using Clock = std::chrono::steady_clock;

    explicit LinkRig(std::string deviceOverride = {}, bcusim::Options options = {});

    // Routes posted messages as the composition root does, until done() holds
    // or the time is up. Returns done().
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    void pumpFor(std::chrono::milliseconds duration);

    // Frames (not acknowledgements) the host sent, in order.
    std::vector<bcusim::HostUnit> hostFrames() const;
    std::vector<std::string> hostFrameTexts() const;
    // When the BCU last wrote to the line before the given time.
    Clock::time_point lastBcuOutputBefore(Clock::time_point time) const;
    // Every byte on the line with its time, for failure messages.
    std::string trafficLog() const;
    // Uplink records read so far, as hex.
    std::vector<std::string> recordTexts() const;

    std::unique_ptr<bcusim::BcuSimulator> sim;
    RecordingLinkEvents owner;
    SerialPortOpener opener;
    std::unique_ptr<SerialLink> link;
    std::unique_ptr<BcuStartup> startup;
    std::vector<std::vector<uint8_t>> records;
};

std::chrono::milliseconds millisBetween(LinkRig::Clock::time_point from, LinkRig::Clock::time_point to);

}  // namespace lintor::test
