#pragma once

#include <cstdint>
#include <string>

#include "link/posted_message.h"

namespace lintor {

// The steps of the BCU start-up. The start-up counts down: a step's number
// is how many acknowledgements are still to come.
enum class BcuInitStep : int32_t {
    Connected = 0,
    AddressTable = 1,
    PeiSwitch = 2,
    Reset = 3,
};

// What the bus link reports to the composition root; the root decides what
// the user sees of it.
class LinkEvents : public MessagePoster {
public:
    // Link worker: the serial device could not be opened.
    virtual void portOpenFailed(const std::string& device) = 0;
    // User-interface thread: the start-up has reached this step.
    virtual void bcuInitStepReached(BcuInitStep step) = 0;
};

}  // namespace lintor
