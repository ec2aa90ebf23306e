#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "tools/bcusim/line_frame.h"
#include "tools/bcusim/management_device.h"
#include "tools/bcusim/transport_connection.h"

namespace lintor::bcusim {

// The TP1 line behind the BCU with the devices that answer management,
// each with its own transport connection. Hears every frame the BCU sends
// and says whether anyone acknowledged it; what the devices send back goes
// to the caller, who decides what the BCU hands up. No I/O, no clock.
class SimulatedLine {
public:
    using Clock = std::chrono::steady_clock;

    explicit SimulatedLine(const std::vector<DeviceIdentity>& devices);

    struct Transmission {
        // On TP1 only the addressed device acknowledges an individual
        // frame; group and broadcast frames always count as acknowledged.
        bool acknowledged = false;
        std::vector<LineFrame> answers;
    };
    Transmission transmit(const LineFrame& frame, Clock::time_point now);

    // Repetitions and disconnections whose time has come.
    std::vector<LineFrame> tick(Clock::time_point now);
    std::optional<Clock::time_point> nextDue() const;

    // False when no device has that address.
    bool setProgrammingMode(uint16_t address, bool on);

    struct DeviceState {
        uint16_t address = 0;
        uint16_t maskVersion = 0;
        bool programmingMode = false;
        std::optional<uint16_t> partner;
        std::vector<uint8_t> memory;
    };
    std::vector<DeviceState> devices() const;

private:
    struct Node {
        ManagementDevice device;
        TransportConnection transport;
    };

    void deliverIndividual(Node& node, const LineFrame& frame, const tpdu::Pdu& pdu, Clock::time_point now,
                           std::vector<LineFrame>& answers);
    void deliverConnected(Node& node, const LineFrame& frame, const tpdu::Pdu& pdu, Clock::time_point now,
                          std::vector<LineFrame>& answers);
    static void appendFrames(const Node& node, const std::vector<TransportConnection::Output>& outputs,
                             std::vector<LineFrame>& answers);
    Node* find(uint16_t address);

    std::vector<Node> nodes_;
};

}  // namespace lintor::bcusim
