#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "link/bus_interface.h"

namespace lintor::bcusim {

// How the BCU acknowledges the host's frames.
enum class AckMode {
    Normal,  // 0xE5 at once
    None,    // no 0xE5, as if it were lost on the line; the frame is still carried out
    Late,    // 0xE5 after a delay; what the frame causes follows the 0xE5
};

// Receives one line per chunk of traffic or per event, without a newline.
using LogSink = std::function<void(std::string_view line)>;

struct Options {
    // Simulated devices that send on their own and answer group reads.
    bool demo = false;
    // Seeds the demo devices and sendGarbage().
    uint32_t seed = 1;
    LogSink log;
    // How long the BCU's own frames wait for the host's 0xE5.
    std::chrono::milliseconds ackTimeout{1000};
    // Demo devices keep quiet this long, so the host's start-up comes first.
    std::chrono::milliseconds demoQuietPeriod{1000};
    // Traffic entries and host units kept for traffic() and hostUnits();
    // the oldest go first, so a long run does not grow without bound.
    size_t historyLimit = 100000;
    // When set, a symbolic link of this name to the pty slave is the device
    // path, and replug() points it to a new pty, as a USB adapter that comes
    // back under its /dev/serial/by-id name. Removed at destruction.
    std::string linkPath;
    // The BCU's own individual address, as its memory holds it: 1.1.250.
    uint16_t individualAddress = 0x11FA;
    // A BCU 2 speaking EMI, or a cEMI module as today's FT1.2 adapters are.
    BusInterface interface = BusInterface::Emi;
};

}  // namespace lintor::bcusim
