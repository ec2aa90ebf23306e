#include "bench/end_to_end/gateway.h"

#include <chrono>
#include <cstdio>
#include <vector>

namespace lintor::bench {

using namespace std::chrono_literals;

std::string commandLineOf(const std::string& program, const std::vector<std::string>& arguments) {
    std::string line = program;
    for (const std::string& argument : arguments) line += " " + argument;
    return line;
}

std::optional<Gateway> startLintord(const std::string& program) {
    Gateway gateway;
    gateway.name = "lintord";
    gateway.protocol = &lintorClientProtocol();
    gateway.sim = bcusim::BcuSimulator::start({}).take();
    const std::vector<std::string> arguments{"--device",       gateway.sim->devicePath(),
                                             "--gateway-port", "0",
                                             "--proxy-port",   "0",
                                             "--knxip-port",   "0",
                                             "--max-clients",  std::to_string(kClientRoom),
                                             "--log-level",    "warning"};
    gateway.commandLine = commandLineOf(program, arguments);
    gateway.process = std::make_unique<test::ChildProcess>(program, arguments);
    gateway.port = test::portFrom(gateway.process->waitForLine("Gateway port:", 10s));
    if (gateway.port == 0 || !gateway.process->waitForLine("BCU: connected to BCU", 10s)) {
        std::fprintf(stderr, "e2e: %s did not start on %s\n", program.c_str(), gateway.sim->devicePath().c_str());
        for (const auto& line : gateway.process->errorLines()) std::fprintf(stderr, "  %s\n", line.c_str());
        return std::nullopt;
    }
    return gateway;
}

}  // namespace lintor::bench
