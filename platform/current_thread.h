#pragma once

namespace lintor {

// Asks for this nice value (below 0: a higher priority) for the calling
// thread; false when the system refuses, as it does for an unprivileged user
// without RLIMIT_NICE (errno says why).
bool raiseCurrentThreadPriority(int niceValue);

// Shown by top -H, perf and /proc/PID/task/*/comm; at most 15 characters.
void nameCurrentThread(const char* name);

}  // namespace lintor
