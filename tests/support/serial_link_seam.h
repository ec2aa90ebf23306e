#pragma once

#include <span>

#include "link/serial_link.h"

namespace lintor {

// Lets a test play the link worker: the worker's own operations, called on
// the test's thread while no worker runs.
class SerialLinkSeam {
public:
    explicit SerialLinkSeam(SerialLink& link) : link_(link) {}

    bool openPort() { return link_.openPort().empty(); }
    bool portOpen() const { return link_.port_ != nullptr; }
    bool takeDownlinkRecord() { return link_.takeDownlinkRecord(); }
    void receiveBytes(std::span<const uint8_t> bytes) { link_.receiveBytes(bytes); }
    bool receiveByte(uint8_t byte) { return link_.receiveByte(byte); }
    bool sendAck() { return link_.sendAck(); }
    bool sendEmiFrame(std::span<const uint8_t> message) { return link_.sendEmiFrame(message); }
    bool writeToPort(std::span<const uint8_t> bytes) { return link_.writeToPort(bytes); }
    bool takeAckSignal() { return link_.takeAckSignal(); }

private:
    SerialLink& link_;
};

}  // namespace lintor
