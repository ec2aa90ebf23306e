#include "bench/end_to_end/process_stats.h"

#include <fstream>
#include <string>

#include "tests/support/child_process.h"

namespace lintor::bench {
namespace {

uint64_t numberAfterColon(const std::string& line) { return std::stoull(line.substr(line.find(':') + 1)); }

}  // namespace

ProcessStats processStats(pid_t pid) {
    ProcessStats stats;
    for (const auto& thread : test::threadsOf(pid)) {
        stats.onCpuNanos += thread.onCpuNanos;
        stats.contextSwitches += static_cast<uint64_t>(thread.contextSwitches);
    }
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) stats.residentKiB = numberAfterColon(line);
        if (line.rfind("RssAnon:", 0) == 0) stats.anonymousKiB = numberAfterColon(line);
    }
    return stats;
}

}  // namespace lintor::bench
