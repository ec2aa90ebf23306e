#pragma once

#include "tools/bcusim/bcu_simulator.h"
#include "tools/bcusim/script_command.h"

namespace lintor::bcusim {

// Carries out script commands on a simulator. A sleep ends early when the
// interrupt fd becomes readable.
class ScriptRunner {
public:
    enum class Outcome { Continue, Quit, Interrupted };

    ScriptRunner(BcuSimulator& simulator, int interruptFd) : simulator_(simulator), interruptFd_(interruptFd) {}

    Outcome run(const ScriptCommand& command);

private:
    Outcome sleep(std::chrono::milliseconds duration) const;

    BcuSimulator& simulator_;
    int interruptFd_;
};

}  // namespace lintor::bcusim
