#pragma once

namespace lintor {

// Asks for a higher scheduling priority for the calling thread; false when
// the system refuses (an unprivileged user), which callers accept quietly.
bool raiseCurrentThreadPriority();

}  // namespace lintor
