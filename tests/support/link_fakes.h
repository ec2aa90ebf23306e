#pragma once

#include <cerrno>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "link/link_listener.h"
#include "platform/serial_device.h"
#include "platform/unique_fd.h"

namespace lintor::test {

// What the serial link reports, as the tests see it.
class RecordingLinkListener final : public LinkListener {
public:
    void recordFromBus(std::span<const uint8_t> record) override { records.emplace_back(record.begin(), record.end()); }
    void linkDown() override { ++downs; }
    void linkUp() override { ++ups; }
    void bcuReset() override { ++resets; }
    void portOpenFailed(const std::string& device) override { openFailures.push_back(device); }
    void downlinkFreed(DownlinkSource source) override { freed.push_back(source); }

    std::vector<std::vector<uint8_t>> records;
    std::vector<DownlinkSource> freed;
    std::vector<std::string> openFailures;
    int downs = 0;
    int ups = 0;
    int resets = 0;
};

// Records every write; can be told to take nothing or to fail.
class RecordingDevice final : public SerialDevice {
public:
    struct Shared {
        std::vector<std::vector<uint8_t>> writes;
        bool takeNothing = false;
        int failWith = 0;
        int discarded = 0;
    };

    explicit RecordingDevice(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
    int pollFd() const override { return -1; }
    SysResult<size_t> readSome(std::span<uint8_t>) override { return size_t{0}; }
    SysResult<size_t> writeSome(std::span<const uint8_t> bytes) override {
        if (shared_->failWith != 0) return SysResult<size_t>::failure(shared_->failWith);
        if (shared_->takeNothing) return size_t{0};
        shared_->writes.emplace_back(bytes.begin(), bytes.end());
        return bytes.size();
    }
    void discardOutput() override { ++shared_->discarded; }

private:
    std::shared_ptr<Shared> shared_;
};

class RecordingOpener final : public SerialDeviceOpener {
public:
    std::shared_ptr<RecordingDevice::Shared> device = std::make_shared<RecordingDevice::Shared>();
    std::vector<std::string> openedPaths;
    int failWith = 0;

    OpenedDevice open(const std::string& path) override {
        openedPaths.push_back(path);
        if (failWith != 0) return OpenedDevice::failed(failWith, "cannot open " + path);
        return {std::make_unique<RecordingDevice>(device), 0, {}};
    }
};

}  // namespace lintor::test

namespace lintor::test {

// A BCU at the far end of a socket pair: the link watches its end like a
// serial port, the test reads what the host sent and sends what the BCU
// says. With a clock of the test's own, pacing can be followed to the
// millisecond without waiting for it.
class SocketBcu {
public:
    SocketBcu();
    // The opener the link is given; every open hands out the same line.
    SerialDeviceOpener& opener() { return opener_; }
    // What the host has written since asked last.
    std::vector<uint8_t> takeFromHost();
    void sendToHost(std::span<const uint8_t> bytes);

private:
    class Device;
    class Opener final : public SerialDeviceOpener {
    public:
        explicit Opener(SocketBcu& bcu) : bcu_(bcu) {}
        OpenedDevice open(const std::string& path) override;

    private:
        SocketBcu& bcu_;
    };

    UniqueFd hostEnd_;
    UniqueFd bcuEnd_;
    Opener opener_{*this};
};

}  // namespace lintor::test
