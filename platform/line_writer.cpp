#include "platform/line_writer.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>

#include "platform/current_thread.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;

// After POLLOUT a pipe takes this much without blocking.
constexpr size_t kWriteChunk = 512;
constexpr auto kShutdownGrace = 1000ms;

}  // namespace

LineWriter::LineWriter(int fd, DropNotice dropNotice, size_t capacityBytes)
    : fd_(fd),
      dropNotice_(std::move(dropNotice)),
      capacity_(capacityBytes) {
    if (auto event = WakeEvent::create(); event.ok()) stop_ = event.take();
    thread_ = std::thread([this] {
        nameCurrentThread("lintor-log");
        run();
    });
}

LineWriter::~LineWriter() {
    flush(kShutdownGrace);
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stop_.signal();
    changed_.notify_all();
    thread_.join();
}

void LineWriter::writeLine(std::string_view line) {
    {
        std::lock_guard lock(mutex_);
        if (bufferedBytes_ + line.size() + 1 > capacity_) {
            ++droppedSinceNotice_;
            droppedTotal_.fetch_add(1, std::memory_order_relaxed);
            return;
        }
        std::string text(line);
        text += '\n';
        bufferedBytes_ += text.size();
        lines_.push_back(std::move(text));
    }
    changed_.notify_all();
}

bool LineWriter::flush(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return lines_.empty() && !writing_; });
}

void LineWriter::run() {
    for (;;) {
        std::string text;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || !lines_.empty(); });
            if (lines_.empty()) return;
            text = std::move(lines_.front());
            lines_.pop_front();
            bufferedBytes_ -= text.size();
            if (lines_.empty() && droppedSinceNotice_ > 0 && dropNotice_) {
                // The reader has caught up with everything that was kept.
                lines_.push_back(dropNotice_(droppedSinceNotice_) + '\n');
                bufferedBytes_ += lines_.back().size();
                droppedSinceNotice_ = 0;
            }
            writing_ = true;
        }
        const bool open = writeOut(text);
        {
            std::lock_guard lock(mutex_);
            writing_ = false;
            if (!open) {
                lines_.clear();
                bufferedBytes_ = 0;
            }
        }
        changed_.notify_all();
        if (!open && stop_.signalled()) return;
    }
}

// False when the descriptor is gone or the writer is told to stop while the
// reader still does not read.
bool LineWriter::writeOut(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        std::array<pollfd, 2> fds{{{fd_, POLLOUT, 0}, {stop_.fd(), POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (fds[1].revents & POLLIN) return false;
        if (fds[0].revents & (POLLERR | POLLNVAL)) return false;
        const size_t chunk = std::min(kWriteChunk, text.size() - done);
        const ssize_t n = ::write(fd_, text.data() + done, chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace lintor
