#include "platform/pty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>

#include <array>
#include <cerrno>

#include "platform/pipe.h"

namespace lintor {
namespace {

SysResult<std::string> slaveName(int master) {
    std::array<char, 128> name{};
    const int error = ::ptsname_r(master, name.data(), name.size());
    if (error != 0) return SysResult<std::string>::failure(error);
    return std::string(name.data());
}

int makeRaw(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) return errno;
    ::cfmakeraw(&settings);
    if (::tcsetattr(fd, TCSANOW, &settings) != 0) return errno;
    return 0;
}

}  // namespace

void PtyPair::hangUp() {
    master.reset();
    slaveKeepAlive.reset();
}

SysResult<PtyPair> openPtyPair() {
    using Result = SysResult<PtyPair>;
    PtyPair pair;
    pair.master.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!pair.master) return Result::failure(errno);
    if (::grantpt(pair.master.get()) != 0 || ::unlockpt(pair.master.get()) != 0) return Result::failure(errno);

    auto path = slaveName(pair.master.get());
    if (!path.ok()) return Result::failure(path.error());
    pair.slavePath = path.take();

    if (const int error = setNonBlocking(pair.master.get()); error != 0) return Result::failure(error);
    pair.slaveKeepAlive.reset(::open(pair.slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!pair.slaveKeepAlive) return Result::failure(errno);
    if (const int error = makeRaw(pair.slaveKeepAlive.get()); error != 0) return Result::failure(error);
    return pair;
}

}  // namespace lintor
