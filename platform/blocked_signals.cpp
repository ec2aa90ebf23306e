#include "platform/blocked_signals.h"

#include <signal.h>
#include <sys/signalfd.h>

#include <unistd.h>

#include <cerrno>

namespace lintor {

SysResult<BlockedSignals> BlockedSignals::block(std::initializer_list<int> signalNumbers) {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int number : signalNumbers) sigaddset(&signals, number);
    if (const int error = ::pthread_sigmask(SIG_BLOCK, &signals, nullptr); error != 0) {
        return SysResult<BlockedSignals>::failure(error);
    }
    const int fd = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0) return SysResult<BlockedSignals>::failure(errno);
    return BlockedSignals(UniqueFd(fd));
}

void BlockedSignals::consume() const {
    signalfd_siginfo info;
    while (::read(fd_.get(), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {}
}

}  // namespace lintor
