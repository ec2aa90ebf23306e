#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace lintor {

struct DeviceHolder {
    pid_t pid = 0;
    std::string command;  // as /proc/PID/comm names it

    // "pid 812 (ModemManager)"
    std::string describe() const;
};

// The other processes that hold this character device open, found through
// procRoot/PID/fd; processes whose descriptors we may not read are skipped,
// and so is this process. A process that also holds the master of a
// pseudo-terminal is the far end of that line (a simulated device, a
// terminal emulator), not a second user, and is not listed either.
std::vector<DeviceHolder> otherDeviceHolders(const std::string& devicePath, const std::string& procRoot = "/proc");

// The command of a running process, or nothing when there is no such process.
std::optional<std::string> processCommand(pid_t pid, const std::string& procRoot = "/proc");

}  // namespace lintor
