// The link worker: the one thread that touches the serial port.
#include <poll.h>

#include <array>
#include <cerrno>
#include <chrono>

#include "link/serial_link.h"
#include "platform/log.h"
#include "platform/thread_priority.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;

// A downlink record goes out only after this long without line activity.
constexpr int kQuietPeriodMs = 200;
// Quiet periods after a send before the acknowledgement is given up; the
// next record follows on the one after.
constexpr int kAckWaitTimeouts = 5;
constexpr auto kStopWait = 1000ms;
constexpr size_t kReadBlockSize = 4096;

}  // namespace

bool SerialLink::startWorker() {
    if (!workerThread_.joinable()) {
        state_ = LinkState::Starting;
        workerThread_ = std::thread([this] {
            runWorker();
            workerDone_.set_value();
        });
        workerRunning_.wait(false);
    }
    return state_ == LinkState::Running;
}

bool SerialLink::stopWorker() {
    bool inTime = true;
    if (workerThread_.joinable()) {
        stopEvent_.signal();
        inTime = workerDone_.get_future().wait_for(kStopWait) == std::future_status::ready;
        if (!inTime) log::warning("link worker did not stop within 1000 ms; waiting for it");
        workerThread_.join();
        stopEvent_.clear();
        workerDone_ = {};
    }
    workerRunning_ = false;
    return inTime;
}

void SerialLink::runWorker() {
    raiseCurrentThreadPriority();
    const bool opened = openPort();
    state_ = opened ? LinkState::Running : LinkState::Failed;
    workerRunning_ = true;
    workerRunning_.notify_all();
    if (!opened) {
        events_.portOpenFailed(devicePath_);
        return;
    }
    serviceLink();
}

// Received bytes come first, then port failures, then the stop request, then
// the acknowledgement; each of them starts a new quiet period. Only a quiet
// period moves the downlink on, one record at a time.
void SerialLink::serviceLink() {
    std::array<uint8_t, kReadBlockSize> readBlock;
    bool awaitingAck = false;
    int ackWaitTimeouts = 0;
    for (;;) {
        std::array<pollfd, 2> fds{{{port_->pollFd(), POLLIN, 0}, {stopEvent_.fd(), POLLIN, 0}}};
        const int ready = ::poll(fds.data(), fds.size(), kQuietPeriodMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) {
            closeFailedPort("poll: " + errorText(errno));
            return;
        }
        if (ready == 0) {
            if (awaitingAck) {
                if (++ackWaitTimeouts >= kAckWaitTimeouts) awaitingAck = false;
            } else if (takeDownlinkRecord()) {
                awaitingAck = true;
                ackWaitTimeouts = 0;
            }
            continue;
        }

        const short portEvents = fds[0].revents;
        if (portEvents & POLLIN) {
            auto n = port_->readSome(readBlock);
            if (!n.ok()) {
                closeFailedPort(errorText(n.error()));
                return;
            }
            receiveBytes(std::span(readBlock).first(n.value()));
        }
        if (portEvents & (POLLERR | POLLHUP | POLLNVAL)) {
            closeFailedPort((portEvents & POLLHUP) ? "hang-up" : "device error");
            return;
        }
        if (fds[1].revents & POLLIN) {
            state_ = LinkState::Stopped;
            return;
        }
        if (takeAckSignal()) awaitingAck = false;
    }
}

void SerialLink::closeFailedPort(const std::string& reason) {
    log::error("serial port " + devicePath_ + " failed (" + reason + "); closed, the bus link is down");
    port_.reset();
    state_ = LinkState::Failed;
}

}  // namespace lintor
