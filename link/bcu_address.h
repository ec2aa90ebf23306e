#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "link/bus_interface.h"

namespace lintor {

// The read of the BCU's own individual address: from a BCU 2's memory
// through EMI (PC_Get_Value at 0x0117), or from a cEMI module's device
// object (M_PropRead of its subnet and device address).
class BcuAddressRead {
public:
    explicit BcuAddressRead(BusInterface interface) : interface_(interface) {}

    // The records that ask for it, to be sent in order.
    std::vector<std::vector<uint8_t>> requests() const;
    // True when message (code first) answers one of the requests, and is
    // thus for no client.
    bool take(std::span<const uint8_t> message);
    // Once every answer has come.
    std::optional<uint16_t> address() const;

private:
    bool takeModuleAnswer(std::span<const uint8_t> message);

    BusInterface interface_;
    std::optional<uint8_t> high_;
    std::optional<uint8_t> low_;
};

}  // namespace lintor
