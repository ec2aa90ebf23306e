#include "platform/wake_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace lintor {

SysResult<WakeEvent> WakeEvent::create() {
    const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) return SysResult<WakeEvent>::failure(errno);
    return WakeEvent(UniqueFd(fd));
}

void WakeEvent::signal() {
    const uint64_t one = 1;
    // Only fails when the counter would overflow, which leaves it signalled.
    [[maybe_unused]] const ssize_t n = ::write(fd_.get(), &one, sizeof one);
}

void WakeEvent::clear() {
    uint64_t value = 0;
    [[maybe_unused]] const ssize_t n = ::read(fd_.get(), &value, sizeof value);
}

bool WakeEvent::signalled() const {
    pollfd p{fd_.get(), POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

}  // namespace lintor
