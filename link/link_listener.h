#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "link/downlink_queues.h"

namespace lintor {

// The steps of the BCU start-up. A BCU 2's start-up counts down: a step's
// number is how many acknowledgements are still to come. A cEMI module's
// goes from the reset to its communication mode, then is connected.
enum class BcuInitStep : int32_t {
    Connected = 0,
    AddressTable = 1,
    PeiSwitch = 2,
    Reset = 3,
    CommMode = 4,
};

// What the serial link reports, on the loop's thread, as it happens.
class LinkListener {
public:
    virtual ~LinkListener() = default;
    // A record made of what the BCU sent: a telegram, a confirmation, its
    // acknowledgement (MSG_BCU_ACK), another frame.
    virtual void recordFromBus(std::span<const uint8_t> record) = 0;
    // Every message the BCU sent, code first, before its record: true when
    // it answers a request of the gateway's own and so is for no client.
    virtual bool takeOwnAnswer(std::span<const uint8_t> /*message*/) { return false; }
    // The device is lost, or could not be opened at start.
    virtual void linkDown() = 0;
    // The device is open again after an outage.
    virtual void linkUp() = 0;
    // The BCU announced a reset of its own.
    virtual void bcuReset() = 0;
    // The device could not be opened: once per outage.
    virtual void portOpenFailed(const std::string& device) = 0;
    // A source that was told its queue is full has room again.
    virtual void downlinkFreed(DownlinkSource /*source*/) {}
};

}  // namespace lintor
