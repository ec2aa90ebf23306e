#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "link/bus_interface.h"
#include "link/bus_message.h"
#include "link/link_listener.h"

namespace lintor {

// "reset", "PEI switch", "address table", "communication mode",
// "connection": for log lines.
const char* bcuInitStepName(BcuInitStep step);

// Brings the BCU into the gateway's working mode: reset of the FT1.2 link,
// PEI switch, empty group address table; for a cEMI module the reset and
// the data link layer as its communication mode. Each step is sent once
// the device has acknowledged the one before. While the link is down it is halted; it
// starts over when the device is back, when the BCU reset itself, and when
// a step goes unacknowledged for too long (the caller keeps that time).
class BcuStartup {
public:
    static constexpr int32_t INITIAL_STATE = 3;
    using RecordSink = std::function<bool(std::span<const uint8_t> record)>;
    using StepSink = std::function<void(BcuInitStep step)>;

    BcuStartup(RecordSink send, StepSink stepReached, BusInterface interface = BusInterface::Emi);

    // Reports the step and queues its record; does not advance. Nothing
    // while halted.
    void performInitStep();
    // From the reset again, whatever step it was at.
    void restart();
    // Until restart(): no step is performed, no acknowledgement counts.
    void halt();
    // A step's record has gone out and its acknowledgement is due.
    bool awaitingAcknowledgement() const { return !halted_ && bcuInitState_ > 0; }
    // A MSG_BCU_ACK record has come: advance and perform the next step.
    // Any acknowledgement counts, whatever frame it answered.
    void handleAcknowledgement(const RecordHeader& header);

    int32_t bcuInitState() const { return bcuInitState_; }
    BcuInitStep currentStep() const;

private:
    int32_t initialState() const;

    RecordSink send_;
    StepSink stepReached_;
    BusInterface interface_;
    int32_t bcuInitState_ = INITIAL_STATE;
    bool halted_ = false;
};

}  // namespace lintor
