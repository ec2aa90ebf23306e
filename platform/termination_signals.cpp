#include "platform/termination_signals.h"

#include <signal.h>
#include <sys/signalfd.h>

#include <unistd.h>

#include <cerrno>

namespace lintor {

SysResult<TerminationSignals> TerminationSignals::block() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    if (const int error = ::pthread_sigmask(SIG_BLOCK, &signals, nullptr); error != 0) {
        return SysResult<TerminationSignals>::failure(error);
    }
    const int fd = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0) return SysResult<TerminationSignals>::failure(errno);
    return TerminationSignals(UniqueFd(fd));
}

void TerminationSignals::consume() const {
    signalfd_siginfo info;
    while (::read(fd_.get(), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {}
}

}  // namespace lintor
