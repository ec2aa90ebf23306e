#pragma once

#include "platform/sys_result.h"
#include "platform/unique_fd.h"

namespace lintor {

struct Pipe {
    UniqueFd readEnd;
    UniqueFd writeEnd;
};

// pipe2 with O_CLOEXEC; both ends blocking until told otherwise.
SysResult<Pipe> makePipe();

// Returns 0 or the errno of fcntl.
int setNonBlocking(int fd);

}  // namespace lintor
