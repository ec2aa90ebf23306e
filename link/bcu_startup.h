#pragma once

#include <cstdint>

#include "link/bus_message.h"
#include "link/link_events.h"

namespace lintor {

class SerialLink;

// Brings the BCU into the gateway's working mode: reset of the FT1.2 link,
// PEI switch, empty group address table, each step sent once the BCU has
// acknowledged the one before. Runs on the user-interface thread.
class BcuStartup {
public:
    static constexpr int32_t INITIAL_STATE = 3;

    BcuStartup(SerialLink& link, LinkEvents& events) : link_(link), events_(events) {}

    // Reports the step and queues its record; does not advance.
    void performInitStep();
    // A MSG_BCU_ACK record has been read: advance and ask for the next step.
    // Any acknowledgement counts, whatever frame it answered.
    void handleAcknowledgement(const RecordHeader& header);

    int32_t bcuInitState() const { return bcuInitState_; }

private:
    SerialLink& link_;
    LinkEvents& events_;
    int32_t bcuInitState_ = INITIAL_STATE;
};

}  // namespace lintor
