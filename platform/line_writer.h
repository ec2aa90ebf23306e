#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/wake_event.h"

namespace lintor {

// Where whole lines go; safe to call from any thread.
class LineSink {
public:
    virtual ~LineSink() = default;
    // The line without its newline.
    virtual void writeLine(std::string_view line) = 0;
};

// Writes lines to a descriptor from a thread of its own, so that a reader
// that stops reading (a full pipe, a stopped terminal) never holds up the
// threads that log. What does not fit the buffer is dropped and counted, and
// the count is written once the reader has caught up.
class LineWriter final : public LineSink {
public:
    static constexpr size_t DEFAULT_CAPACITY = size_t{64} * 1024;
    // Makes the line that reports dropped lines.
    using DropNotice = std::function<std::string(uint64_t dropped)>;

    LineWriter(int fd, DropNotice dropNotice, size_t capacityBytes = DEFAULT_CAPACITY);
    // Gives the reader up to a second to take what is buffered.
    ~LineWriter() override;
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    void writeLine(std::string_view line) override;
    uint64_t droppedLines() const { return droppedTotal_.load(std::memory_order_relaxed); }
    // Waits until everything buffered is written or the time is up.
    bool flush(std::chrono::milliseconds timeout);

private:
    void run();
    bool writeOut(const std::string& text);

    const int fd_;
    const DropNotice dropNotice_;
    const size_t capacity_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> lines_;
    size_t bufferedBytes_ = 0;
    uint64_t droppedSinceNotice_ = 0;
    bool writing_ = false;
    bool stopping_ = false;
    std::atomic<uint64_t> droppedTotal_{0};
    WakeEvent stop_;
    std::thread thread_;
};

}  // namespace lintor
