#include "platform/current_thread.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace lintor {

bool raiseCurrentThreadPriority(int niceValue) {
    // On Linux the nice value belongs to the thread, not the process.
    return ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), niceValue) == 0;
}

void nameCurrentThread(const char* name) { ::pthread_setname_np(::pthread_self(), name); }

}  // namespace lintor
