#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "tools/lintor-tool/bus_port.h"

namespace lintor::tool {

struct AssignmentOutcome {
    enum class Kind {
        Given,       // written, and the device answers with it
        AlreadyHad,  // the one device in programming mode has it already
        NoneInProgrammingMode,
        SeveralInProgrammingMode,
        Taken,        // another device answers at the address
        NotVerified,  // written, but the devices in programming mode answer otherwise
        Failed,       // the BCU or the gateway failed; see failure
    };
    Kind kind = Kind::Failed;
    // Before the write for all but NotVerified, which has those after it.
    std::vector<uint16_t> inProgrammingMode;
    std::optional<BusFailure> failure;
};

// Gives the address to the one device in programming mode: asks which are,
// refuses unless exactly one other than the wanted address answers and
// nothing answers at it, writes, and asks again.
AssignmentOutcome assignIndividualAddress(BusPort& port, uint16_t wanted, std::chrono::milliseconds timeout);

}  // namespace lintor::tool
