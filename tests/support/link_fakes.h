#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "link/link_events.h"
#include "platform/serial_device.h"

namespace lintor::test {

// The link's events as the tests see them: records everything and queues the
// posted messages for a test that plays the user-interface thread.
class RecordingLinkEvents final : public LinkEvents {
public:
    void post(const PostedMessage& message) override {
        {
            std::lock_guard lock(mutex_);
            posts_.push_back(message);
            queue_.push_back(message);
        }
        posted_.notify_all();
    }
    void portOpenFailed(const std::string& device) override {
        std::lock_guard lock(mutex_);
        openFailures_.push_back(device);
    }
    void bcuInitStepReached(BcuInitStep step) override {
        std::lock_guard lock(mutex_);
        steps_.push_back(step);
    }

    std::vector<PostedMessage> posts() const {
        std::lock_guard lock(mutex_);
        return posts_;
    }
    std::vector<std::string> openFailures() const {
        std::lock_guard lock(mutex_);
        return openFailures_;
    }
    std::vector<BcuInitStep> steps() const {
        std::lock_guard lock(mutex_);
        return steps_;
    }
    // The oldest message not yet taken, waiting up to the timeout for one.
    std::optional<PostedMessage> nextPost(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        if (!posted_.wait_for(lock, timeout, [&] { return !queue_.empty(); })) return std::nullopt;
        const PostedMessage message = queue_.front();
        queue_.pop_front();
        return message;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::vector<PostedMessage> posts_;
    std::deque<PostedMessage> queue_;
    std::vector<std::string> openFailures_;
    std::vector<BcuInitStep> steps_;
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
    WriteResult writeAll(std::span<const uint8_t> bytes, std::chrono::milliseconds timeout) override {
        shared_->writes.emplace_back(bytes.begin(), bytes.end());
        shared_->timeouts.push_back(timeout);
        return shared_->failWrites ? WriteResult::TimedOut : WriteResult::Written;
    }

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
