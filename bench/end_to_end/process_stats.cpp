#include "bench/end_to_end/process_stats.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace lintor::bench {
namespace {

uint64_t numberAfterColon(const std::string& line) { return std::stoull(line.substr(line.find(':') + 1)); }

}  // namespace

ProcessStats processStats(pid_t pid) {
    ProcessStats stats;
    const std::filesystem::path process = "/proc/" + std::to_string(pid);
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(process / "task", error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        uint64_t nanos = 0;
        if (schedstat >> nanos) stats.onCpuNanos += nanos;
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.find("ctxt_switches:") != std::string::npos) stats.contextSwitches += numberAfterColon(line);
        }
    }
    std::ifstream status(process / "status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) stats.residentKiB = numberAfterColon(line);
        if (line.rfind("RssAnon:", 0) == 0) stats.anonymousKiB = numberAfterColon(line);
    }
    return stats;
}

}  // namespace lintor::bench
