#pragma once

#include <cstddef>
#include <vector>

namespace lintor::bench {

// Milliseconds from write() entry on a pty master to read() return on its
// slave, for a frame-sized write: what the line costs before any of ours.
std::vector<double> measurePtyFloor(size_t samples);

}  // namespace lintor::bench
