#include "platform/file_limit.h"

#include <sys/resource.h>

namespace lintor {

size_t raiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised{limit.rlim_max, limit.rlim_max};
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
    }
    return static_cast<size_t>(limit.rlim_cur);
}

}  // namespace lintor
