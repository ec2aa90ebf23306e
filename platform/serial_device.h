#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/sys_result.h"

namespace lintor {

// An open serial device as the bus link uses it: nothing here waits.
class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    // Watched for input, room for output and errors; -1 when there is
    // nothing to watch.
    virtual int pollFd() const = 0;
    // The bytes waiting, 0 when there are none; an error once the device
    // has failed (EIO after a hang-up, for example).
    virtual SysResult<size_t> readSome(std::span<uint8_t> buffer) = 0;
    // What the device takes now, 0 when it takes nothing; an error once it
    // has failed.
    virtual SysResult<size_t> writeSome(std::span<const uint8_t> bytes) = 0;
    // Output the device holds but has not sent yet goes, as after a write
    // that took too long.
    virtual void discardOutput() = 0;
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
