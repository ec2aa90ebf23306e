#pragma once

#include <sys/types.h>

#include <cstdint>

namespace lintor::bench {

// What the kernel has counted for a process, summed over its threads.
struct ProcessStats {
    uint64_t onCpuNanos = 0;       // first field of every /proc/PID/task/*/schedstat
    uint64_t contextSwitches = 0;  // voluntary and not, every thread
    uint64_t residentKiB = 0;      // VmRSS
    uint64_t anonymousKiB = 0;     // RssAnon: the process's own, not mapped from a file
};

ProcessStats processStats(pid_t pid);

}  // namespace lintor::bench
