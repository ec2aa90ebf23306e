#pragma once

#include <optional>

#include "bench/end_to_end/gateway.h"

namespace lintor::bench {

// knxd from PATH on a simulated BCU of its own, with its client port on
// loopback, at the nice value lintord gives its core thread. Nothing, with
// the reason on stderr, when it is not installed or did not come up.
std::optional<Gateway> startKnxd();

}  // namespace lintor::bench
