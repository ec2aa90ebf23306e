#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/end_to_end/client_protocol.h"
#include "tests/support/child_process.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor::bench {

// Clients a gateway is told to take: the thousand readers of the largest
// run, with room to spare.
inline constexpr int kClientRoom = 1100;

// One gateway under test, on a simulated BCU of its own. The process goes
// before the simulator, so that it never sees its line hang up.
struct Gateway {
    std::string name;
    std::string version;  // what it says of itself, where asked
    std::string commandLine;
    // Where the bench set its nice value after the start.
    std::optional<int> nice;
    std::unique_ptr<bcusim::BcuSimulator> sim;
    std::unique_ptr<test::ChildProcess> process;
    uint16_t port = 0;
    const ClientProtocol* protocol = nullptr;
};

// Nothing, with the reason on stderr, when it did not come up.
std::optional<Gateway> startLintord(const std::string& program);

// The program and its arguments as one line to show.
std::string commandLineOf(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace lintor::bench
