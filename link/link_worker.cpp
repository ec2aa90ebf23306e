// The link worker: the one thread that touches the serial port.
#include <poll.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <utility>

#include "link/serial_link.h"
#include "platform/log.h"
#include "platform/thread_priority.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A downlink record goes out only after this long without line activity.
constexpr int kQuietPeriodMs = 200;
// Quiet periods after a send before the acknowledgement is given up; the
// next record follows on the one after.
constexpr int kAckWaitTimeouts = 5;
constexpr auto kStopWait = 1000ms;
// A USB adapter that comes back usually does so within a second or two.
constexpr auto kReopenInterval = 1000ms;
constexpr size_t kReadBlockSize = 4096;

int millisUntil(Clock::time_point when) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

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
    lastOpenAttempt_ = Clock::now();
    const std::string failure = openPort();
    // Reported before startWorker() returns, so that the caller sees it.
    if (!failure.empty()) {
        log::error(outage_.begin(failure, lastOpenAttempt_));
        outage_.takeFirstOpenFailure();
        events_.portOpenFailed(devicePath_);
        events_.post({WM_LINK_DOWN, 0, 0});
    }
    state_ = failure.empty() ? LinkState::Running : LinkState::Down;
    workerRunning_ = true;
    workerRunning_.notify_all();
    while (state_ != LinkState::Stopped) {
        if (port_) {
            serviceLink();
        } else {
            awaitDevice();
        }
    }
}

// Received bytes come first, then port failures, then the stop request, then
// the acknowledgement; each of them starts a new quiet period. Only a quiet
// period moves the downlink on, one record at a time.
void SerialLink::serviceLink() {
    std::array<uint8_t, kReadBlockSize> readBlock;
    bool awaitingAck = false;
    int ackWaitTimeouts = 0;
    for (;;) {
        if (!portFailure_.empty()) {
            loseLink(std::exchange(portFailure_, {}));
            return;
        }
        std::array<pollfd, 2> fds{{{port_->pollFd(), POLLIN, 0}, {stopEvent_.fd(), POLLIN, 0}}};
        const int ready = ::poll(fds.data(), fds.size(), kQuietPeriodMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) {
            loseLink("poll: " + errorText(errno));
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

        if (!servicePort(fds[0].revents, readBlock)) return;
        if (fds[1].revents & POLLIN) {
            state_ = LinkState::Stopped;
            return;
        }
        if (takeAckSignal()) awaitingAck = false;
    }
}

// Reads what the port has; false once the port is lost.
bool SerialLink::servicePort(short portEvents, std::span<uint8_t> readBlock) {
    if (portEvents & POLLIN) {
        auto n = port_->readSome(readBlock);
        if (!n.ok()) {
            loseLink("read: " + errorText(n.error()));
            return false;
        }
        receiveBytes(readBlock.first(n.value()));
    }
    if (portEvents & (POLLERR | POLLHUP | POLLNVAL)) {
        loseLink((portEvents & POLLHUP) ? "hang-up" : "device error");
        return false;
    }
    return true;
}

// Without a port: records towards the bus are taken out and dropped as they
// come, and the device is tried once a second.
void SerialLink::awaitDevice() {
    const Clock::time_point nextAttempt = lastOpenAttempt_ + kReopenInterval;
    std::array<pollfd, 2> fds{{{stopEvent_.fd(), POLLIN, 0}, {downlink_.readEnd.get(), POLLIN, 0}}};
    const int ready = ::poll(fds.data(), fds.size(), millisUntil(nextAttempt));
    if (ready < 0 && errno != EINTR) {
        log::error("link worker: poll: " + errorText(errno) + "; stopping");
        state_ = LinkState::Stopped;
        return;
    }
    if (ready > 0 && (fds[0].revents & POLLIN)) {
        state_ = LinkState::Stopped;
        return;
    }
    if (ready > 0) discardDownlinkRecords();
    if (Clock::now() < nextAttempt) return;

    lastOpenAttempt_ = Clock::now();
    const std::string failure = openPort();
    if (failure.empty()) {
        restoreLink();
        return;
    }
    if (outage_.takeFirstOpenFailure()) {
        log::warning(failure);
        events_.portOpenFailed(devicePath_);
    } else if (const auto reminder = outage_.attemptFailed(failure, lastOpenAttempt_)) {
        log::warning(*reminder);
    }
}

void SerialLink::loseLink(const std::string& reason) {
    port_.reset();
    state_ = LinkState::Down;
    lastOpenAttempt_ = Clock::now();
    log::error(outage_.begin(devicePath_ + ": " + reason, lastOpenAttempt_));
    events_.post({WM_LINK_DOWN, 0, 0});
}

void SerialLink::restoreLink() {
    // Whatever came while the port was being opened is as stale as the rest.
    discardDownlinkRecords();
    log::info(outage_.end(Clock::now()));
    state_ = LinkState::Running;
    events_.post({WM_LINK_UP, 0, 0});
}

}  // namespace lintor
