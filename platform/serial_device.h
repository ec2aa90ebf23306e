#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/sys_result.h"

namespace lintor {

enum class WriteResult {
    Written,
    TimedOut,  // the line did not take the bytes in time; the device may still be fine
    Failed,    // the device is gone or broken
};

// An open serial device as the link worker uses it.
class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    // Polled for input and errors; -1 when there is nothing to poll.
    virtual int pollFd() const = 0;
    // The bytes waiting, 0 when there are none; an error once the device
    // has failed (EIO after a hang-up, for example).
    virtual SysResult<size_t> readSome(std::span<uint8_t> buffer) = 0;
    // All bytes within the time-out; otherwise the unsent rest is discarded.
    virtual WriteResult writeAll(std::span<const uint8_t> bytes, std::chrono::milliseconds timeout) = 0;
};

// An open device, or why there is none.
struct OpenedDevice {
    std::unique_ptr<SerialDevice> device;
    int error = 0;
    // For the log: "cannot open /dev/ttyS0: in use by pid 812 (ModemManager)".
    std::string failure;

    static OpenedDevice failed(int error, std::string failure) { return {nullptr, error, std::move(failure)}; }
};

class SerialDeviceOpener {
public:
    virtual ~SerialDeviceOpener() = default;
    virtual OpenedDevice open(const std::string& path) = 0;
};

}  // namespace lintor
