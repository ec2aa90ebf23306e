#pragma once

#include <span>
#include <string_view>

namespace lintor {

// The program: reads the command line, sets up the settings store and the
// device (a simulated BCU if asked), and runs the composition root until the
// window closes or a termination signal arrives.
class GatewayApp {
public:
    int run(int argc, char** argv);
};

}  // namespace lintor
