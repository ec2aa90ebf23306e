#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "knxip/frame_writer.h"

namespace lintor::knxip {

// The server's own interface objects, as device management reads them
// through M_PropRead: the device object and the KNXnet/IP parameter object,
// each a single instance, with the properties configuration tools read
// before they program through a tunnel. Nothing here can be written.
class InterfaceObjects {
public:
    explicit InterfaceObjects(const DeviceIdentity& identity) : identity_(identity) {}

    // The M_PropRead.con or M_PropWrite.con of a request (message code
    // first); nothing for anything else or a request too short to answer.
    std::optional<std::vector<uint8_t>> answer(std::span<const uint8_t> request) const;

private:
    // A property's elements, all of one size; nothing when there is no such
    // property.
    struct Value {
        uint8_t elementSize = 0;
        std::vector<uint8_t> elements;
    };
    std::optional<Value> valueOf(uint16_t objectType, uint8_t instance, uint8_t property) const;

    const DeviceIdentity& identity_;
};

}  // namespace lintor::knxip
