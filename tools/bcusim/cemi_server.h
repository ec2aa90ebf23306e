#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "link/cemi_property.h"

namespace lintor::bcusim {

// The simulated module's own management: the device object and the cEMI
// server object it reads and writes properties of, its communication mode,
// and M_Reset. No I/O.
//
// After a reset the module has no layer chosen and passes no L_Data until
// the host writes the data link layer as PID_COMM_MODE. Real modules leave
// this undocumented; the simulator chooses the strict reading, so that a
// host that forgets the mode cannot pass here and fail on hardware.
class CemiServer {
public:
    explicit CemiServer(uint16_t individualAddress) : address_(individualAddress) {}

    // The answer to an M_PropRead.req, M_PropWrite.req or M_Reset.req;
    // nothing for any other message.
    std::optional<std::vector<uint8_t>> answer(std::span<const uint8_t> message);

    bool passesLData() const { return commMode_ == cemi::COMM_MODE_DATA_LINK; }
    // As after power-up: no layer until the host chooses one.
    void restart() { commMode_ = NO_LAYER; }

    // PID_COMM_MODE while no layer is chosen.
    static constexpr uint8_t NO_LAYER = 0xFF;

private:
    struct Property {
        uint16_t objectType = 0;
        uint8_t id = 0;
        std::vector<uint8_t> element;
    };
    // Every property the module has, with its one element as it is now.
    std::vector<Property> properties() const;
    std::optional<Property> find(const cemi::PropertyMessage& message) const;
    std::vector<uint8_t> read(const cemi::PropertyMessage& request) const;
    std::vector<uint8_t> write(const cemi::PropertyMessage& request);

    const uint16_t address_;
    uint8_t commMode_ = NO_LAYER;
};

}  // namespace lintor::bcusim
