#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "tools/lintor-tool/bus_port.h"

namespace lintor::tool {

// The individual addresses of the devices in programming mode, in the order
// they answered: each answers the read that goes to all of them. Waits the
// whole time-out, since nothing tells when the last has answered.
std::variant<std::vector<uint16_t>, BusFailure> devicesInProgrammingMode(BusPort& port,
                                                                         std::chrono::milliseconds timeout);

// Gives the address to the device in programming mode, which answers
// nothing; done once the BCU has confirmed that the line heard it.
std::optional<BusFailure> writeIndividualAddress(BusPort& port, uint16_t address, std::chrono::milliseconds timeout);

}  // namespace lintor::tool
