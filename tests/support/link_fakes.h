#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "link/owner_window.h"
#include "platform/serial_device.h"

namespace lintor::test {

// The owner window of the tests: records everything and queues the posted
// messages for a test that plays the user-interface thread.
class RecordingOwner final : public OwnerWindow {
public:
    void post(const PostedMessage& message) override {
        {
            std::lock_guard lock(mutex_);
            posts_.push_back(message);
            queue_.push_back(message);
        }
        posted_.notify_all();
    }
    void showMessage(const std::string& text) override {
        std::lock_guard lock(mutex_);
        messages_.push_back(text);
    }
    void setStatusText(StatusField field, const std::string& text) override {
        std::lock_guard lock(mutex_);
        statuses_.emplace_back(field, text);
    }

    std::vector<PostedMessage> posts() const {
        std::lock_guard lock(mutex_);
        return posts_;
    }
    std::vector<std::string> messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<std::string> statusTexts(StatusField field) const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        for (const auto& [f, text] : statuses_) {
            if (f == field) out.push_back(text);
        }
        return out;
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
    std::vector<std::string> messages_;
    std::vector<std::pair<StatusField, std::string>> statuses_;
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
