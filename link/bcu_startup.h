#pragma once

#include <cstdint>

#include "link/bus_message.h"
#include "link/link_events.h"

namespace lintor {

class SerialLink;

// "reset", "PEI switch", "address table", "connection": for log lines.
const char* bcuInitStepName(BcuInitStep step);

// Brings the BCU into the gateway's working mode: reset of the FT1.2 link,
// PEI switch, empty group address table, each step sent once the BCU has
// acknowledged the one before. Runs on the user-interface thread. While the
// link is down it is halted; it starts over when the device is back, when
// the BCU reset itself, and when a step goes unacknowledged for too long
// (the caller keeps that time).
class BcuStartup {
public:
    static constexpr int32_t INITIAL_STATE = 3;

    BcuStartup(SerialLink& link, LinkEvents& events) : link_(link), events_(events) {}

    // Reports the step and queues its record; does not advance. Nothing
    // while halted.
    void performInitStep();
    // From the reset again, whatever step it was at.
    void restart();
    // Until restart(): no step is performed, no acknowledgement counts.
    void halt();
    // A step's record has gone out and its acknowledgement is due.
    bool awaitingAcknowledgement() const { return !halted_ && bcuInitState_ > 0; }
    // A MSG_BCU_ACK record has been read: advance and ask for the next step.
    // Any acknowledgement counts, whatever frame it answered.
    void handleAcknowledgement(const RecordHeader& header);

    int32_t bcuInitState() const { return bcuInitState_; }

private:
    SerialLink& link_;
    LinkEvents& events_;
    int32_t bcuInitState_ = INITIAL_STATE;
    bool halted_ = false;
};

}  // namespace lintor
