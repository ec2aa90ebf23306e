#pragma once

#include <termios.h>

#include <memory>
#include <string>

#include "platform/serial_device.h"
#include "platform/unique_fd.h"
#include "platform/uucp_lock.h"

namespace lintor {

// The BCU's line: 19200 baud, 8 data bits, even parity, one stop bit, no
// CTS flow control, modem lines ignored, raw bytes, reads return at once.
termios bcuLineSettings(const termios& current);

// "cannot open /dev/ttyS0: Permission denied (is the user in group dialout?)"
std::string describeOpenError(const std::string& path, int error);

// Where other programs' claims on a device are looked for.
struct DeviceClaims {
    std::string lockDir = "/run/lock";
    std::string procRoot = "/proc";
};

// A termios serial port, held exclusively while open: refused when another
// process has it open or a live UUCP lock names it; our own lock file is
// created where the lock directory lets us, and removed with the port.
class SerialPort final : public SerialDevice {
public:
    static OpenedDevice open(const std::string& path, const DeviceClaims& claims = {});
    ~SerialPort() override;

    int pollFd() const override { return fd_.get(); }
    SysResult<size_t> readSome(std::span<uint8_t> buffer) override;
    SysResult<size_t> writeSome(std::span<const uint8_t> bytes) override;
    void discardOutput() override;

private:
    SerialPort(UniqueFd fd, UucpLock lock) : fd_(std::move(fd)), lock_(std::move(lock)) {}

    UniqueFd fd_;
    UucpLock lock_;
};

class SerialPortOpener final : public SerialDeviceOpener {
public:
    explicit SerialPortOpener(DeviceClaims claims = {}) : claims_(std::move(claims)) {}
    OpenedDevice open(const std::string& path) override { return SerialPort::open(path, claims_); }

private:
    DeviceClaims claims_;
};

}  // namespace lintor
