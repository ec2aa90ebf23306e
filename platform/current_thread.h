#pragma once

namespace lintor {

// Asks for a higher scheduling priority for the calling thread; false when
// the system refuses (an unprivileged user), which callers accept quietly.
bool raiseCurrentThreadPriority();

// Shown by top -H, perf and /proc/PID/task/*/comm; at most 15 characters.
void nameCurrentThread(const char* name);

}  // namespace lintor
