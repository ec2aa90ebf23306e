#pragma once

#include <cstddef>
#include <vector>

namespace lintor::bench {

struct PtyFloor {
    // Milliseconds from write() entry on a pty master to read() return on
    // its slave, for a frame-sized write: what the line costs before ours.
    std::vector<double> latencies;
    // The reading thread's time on the CPU per frame: what one wake-up to
    // read costs on this machine.
    double onCpuMicrosPerRead = 0;
};

PtyFloor measurePtyFloor(size_t samples);

}  // namespace lintor::bench
