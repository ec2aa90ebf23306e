#include "platform/pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace lintor {

SysResult<Pipe> makePipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return SysResult<Pipe>::failure(errno);
    return Pipe{UniqueFd(fds[0]), UniqueFd(fds[1])};
}

int setNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) return errno;
    if (::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return errno;
    return 0;
}

}  // namespace lintor
