#include "platform/serial_port.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/device_holders.h"
#include "platform/log.h"

namespace lintor {
namespace {

bool sameLineSettings(const termios& a, const termios& b) {
    constexpr tcflag_t relevant = CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CLOCAL | CREAD;
    return (a.c_cflag & relevant) == (b.c_cflag & relevant) && cfgetospeed(&a) == cfgetospeed(&b) &&
           cfgetispeed(&a) == cfgetispeed(&b);
}

// Applies the line settings. Refusals are reported, not fatal: the port is
// used as it is, and a pseudo-terminal never keeps the parity bits.
void applyLineSettings(int fd, const std::string& path) {
    termios current{};
    if (::tcgetattr(fd, &current) != 0) return;
    const termios wanted = bcuLineSettings(current);
    if (::tcsetattr(fd, TCSANOW, &wanted) != 0) {
        log::warning("cannot set line settings of " + path + ": " + errorText(errno));
        return;
    }
    termios readBack{};
    if (::tcgetattr(fd, &readBack) == 0 && !sameLineSettings(readBack, wanted)) {
        log::info(path + " did not keep every line setting (normal for a pseudo-terminal)");
    }
}

void switchRtsOff(int fd) {
    const int rts = TIOCM_RTS;
    // Pseudo-terminals have no modem lines: ENOTTY or EINVAL there is fine.
    ::ioctl(fd, TIOCMBIC, &rts);
}

}  // namespace

termios bcuLineSettings(const termios& current) {
    termios t = current;
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B19200);
    ::cfsetospeed(&t, B19200);
    t.c_cflag &= ~(CSIZE | PARODD | CSTOPB | CRTSCTS | HUPCL);
    t.c_cflag |= CS8 | PARENB | CLOCAL | CREAD;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    // With O_NONBLOCK a read returns what is there, or EAGAIN.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return t;
}

std::string describeOpenError(const std::string& path, int error) {
    std::string text = "cannot open " + path + ": ";
    switch (error) {
    case EACCES:
        return text + errorText(error) + " (is the user in group dialout?)";
    case EPERM:
        // What a service's device policy answers. Our unit loads the USB
        // serial drivers before it starts, so it is a kind of device the
        // policy does not name.
        return text + errorText(error) +
               " (refused by a device policy: under systemd, the unit's DeviceAllow= must name this kind of device; "
               "see lintord(8))";
    case EBUSY:
    case EWOULDBLOCK:
        return text + "in use by another program";
    case ENOTTY:
        return text + "not a serial device";
    default:
        return text + errorText(error);
    }
}

OpenedDevice SerialPort::open(const std::string& path, const DeviceClaims& claims) {
    const auto failed = [&path](int error) { return OpenedDevice::failed(error, describeOpenError(path, error)); };
    const auto inUse = [&path](const std::string& by) {
        return OpenedDevice::failed(EBUSY, "cannot open " + path + ": " + by);
    };
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) return failed(errno);
    // flock keeps out other programs that play by the rules; TIOCEXCL keeps
    // out the rest (except root); neither sees a program that opened the
    // device before us, so look for those, and for a UUCP lock, too.
    const auto holders = [&] { return otherDeviceHolders(path, claims.procRoot); };
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) return failed(errno);
        const auto found = holders();
        return found.empty() ? failed(EBUSY) : inUse("in use by " + found.front().describe());
    }
    if (!::isatty(fd.get())) return failed(ENOTTY);
    // Only root gets past another program's TIOCEXCL; it must not either.
    if (int exclusive = 0; ::ioctl(fd.get(), TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
        const auto found = holders();
        return found.empty() ? failed(EBUSY) : inUse("in use by " + found.front().describe());
    }
    if (const auto found = holders(); !found.empty()) return inUse("in use by " + found.front().describe());
    UucpLock lock = UucpLock::acquire(claims.lockDir, path);
    if (lock.outcome() == UucpLock::Outcome::HeldByOther) {
        if (lock.holder() == 0) return inUse("locked in " + lock.path() + " (its pid cannot be read yet)");
        const DeviceHolder holder{lock.holder(), processCommand(lock.holder(), claims.procRoot).value_or("?")};
        return inUse("locked by " + holder.describe() + " in " + lock.path());
    }
    // Set last: on a refusal it would stay on the other program's device.
    if (::ioctl(fd.get(), TIOCEXCL) != 0) return failed(errno);

    applyLineSettings(fd.get(), path);
    switchRtsOff(fd.get());
    ::tcflush(fd.get(), TCIFLUSH);
    return {std::unique_ptr<SerialDevice>(new SerialPort(std::move(fd), std::move(lock))), 0, {}};
}

SerialPort::~SerialPort() {
    if (fd_) ::ioctl(fd_.get(), TIOCNXCL);
}

SysResult<size_t> SerialPort::readSome(std::span<uint8_t> buffer) {
    for (;;) {
        const ssize_t n = ::read(fd_.get(), buffer.data(), buffer.size());
        if (n >= 0) return static_cast<size_t>(n);
        if (errno == EINTR) continue;
        if (errno == EAGAIN) return size_t{0};
        return SysResult<size_t>::failure(errno);
    }
}

SysResult<size_t> SerialPort::writeSome(std::span<const uint8_t> bytes) {
    for (;;) {
        const ssize_t n = ::write(fd_.get(), bytes.data(), bytes.size());
        if (n >= 0) return static_cast<size_t>(n);
        if (errno == EINTR) continue;
        if (errno == EAGAIN) return size_t{0};
        return SysResult<size_t>::failure(errno);
    }
}

void SerialPort::discardOutput() { ::tcflush(fd_.get(), TCOFLUSH); }

}  // namespace lintor
