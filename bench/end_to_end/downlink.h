#pragma once

#include <cstddef>

#include "bench/end_to_end/subject.h"

namespace lintor::bench {

// Group writes from one client, timed from its send() to the simulator's
// receipt of the whole request; on a busy line, with telegrams from the bus
// in between. Sent in our gateway's record format, so for lintord alone.
void measureDownlink(Subject& subject, bool busy, size_t count);
// The same on a quiet line while another client writes group telegrams as
// fast as TCP takes them; with the daemon's CPU and memory over the flood.
void measureDownlinkUnderFlood(Subject& subject, size_t count);

}  // namespace lintor::bench
