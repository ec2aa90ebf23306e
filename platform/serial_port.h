#pragma once

#include <termios.h>

#include <memory>
#include <string>

#include "platform/serial_device.h"
#include "platform/unique_fd.h"

namespace lintor {

// The BCU's line: 19200 baud, 8 data bits, even parity, one stop bit, no
// CTS flow control, modem lines ignored, raw bytes, reads return at once.
termios bcuLineSettings(const termios& current);

// "cannot open /dev/ttyS0: Permission denied (is the user in group dialout?)"
std::string describeOpenError(const std::string& path, int error);

// A termios serial port, held exclusively while open.
class SerialPort final : public SerialDevice {
public:
    static SysResult<std::unique_ptr<SerialPort>> open(const std::string& path);
    ~SerialPort() override;

    int pollFd() const override { return fd_.get(); }
    SysResult<size_t> readSome(std::span<uint8_t> buffer) override;
    bool writeAll(std::span<const uint8_t> bytes, std::chrono::milliseconds timeout) override;

private:
    SerialPort(UniqueFd fd, std::string path) : fd_(std::move(fd)), path_(std::move(path)) {}

    UniqueFd fd_;
    std::string path_;
};

class SerialPortOpener final : public SerialDeviceOpener {
public:
    SysResult<std::unique_ptr<SerialDevice>> open(const std::string& path) override;
};

}  // namespace lintor
