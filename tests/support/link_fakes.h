#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "link/posted_message.h"
#include "platform/serial_device.h"

namespace lintor::test {

class RecordingPoster final : public MessagePoster {
public:
    void post(const PostedMessage& message) override {
        std::lock_guard lock(mutex_);
        posts_.push_back(message);
    }
    std::vector<PostedMessage> posts() const {
        std::lock_guard lock(mutex_);
        return posts_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<PostedMessage> posts_;
};

// Records every write; can be told to fail them.
class RecordingDevice final : public SerialDevice {
public:
    struct Shared {
        std::vector<std::vector<uint8_t>> writes;
        std::vector<std::chrono::milliseconds> timeouts;
        bool failWrites = false;
    };

    explicit RecordingDevice(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
    int pollFd() const override { return -1; }
    SysResult<size_t> readSome(std::span<uint8_t>) override { return size_t{0}; }
    bool writeAll(std::span<const uint8_t> bytes, std::chrono::milliseconds timeout) override {
        shared_->writes.emplace_back(bytes.begin(), bytes.end());
        shared_->timeouts.push_back(timeout);
        return !shared_->failWrites;
    }

private:
    std::shared_ptr<Shared> shared_;
};

class RecordingOpener final : public SerialDeviceOpener {
public:
    std::shared_ptr<RecordingDevice::Shared> device = std::make_shared<RecordingDevice::Shared>();
    std::vector<std::string> openedPaths;
    int failWith = 0;

    SysResult<std::unique_ptr<SerialDevice>> open(const std::string& path) override {
        openedPaths.push_back(path);
        if (failWith != 0) return SysResult<std::unique_ptr<SerialDevice>>::failure(failWith);
        return std::unique_ptr<SerialDevice>(std::make_unique<RecordingDevice>(device));
    }
};

}  // namespace lintor::test
