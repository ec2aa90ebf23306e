#pragma once

#include <cstddef>

#include "bench/end_to_end/subject.h"

namespace lintor::bench {

struct UplinkLoad {
    size_t readers = 1;
    int ratePerSecond = 5;
    size_t telegrams = 60;
};

// Group writes from the bus at a steady rate, timed from the simulator's
// write() to each reader's recv(); also the CPU and the context switches
// they cost. False when no reader had the warm-up telegram.
bool measureUplink(Subject& subject, const UplinkLoad& load);

}  // namespace lintor::bench
