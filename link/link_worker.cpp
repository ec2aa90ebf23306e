// The link worker: the one thread that touches the serial port.
#include <poll.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <optional>
#include <utility>

#include "link/downlink_pacer.h"
#include "link/serial_link.h"
#include "platform/current_thread.h"
#include "platform/log.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kStopWait = 1000ms;
// A USB adapter that comes back usually does so within a second or two.
constexpr auto kReopenInterval = 1000ms;
constexpr size_t kReadBlockSize = 4096;

// To the microsecond, so that a record due in 200 ms is not sent at 201.
template <size_t N>
int pollUntil(std::array<pollfd, N>& fds, std::optional<Clock::time_point> deadline) {
    if (!deadline) return ::ppoll(fds.data(), fds.size(), nullptr, nullptr);
    // Compared before subtracting: a deadline far in the past must not overflow.
    const auto now = Clock::now();
    const auto left = *deadline > now ? *deadline - now : Clock::duration::zero();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(left);
    const timespec timeout{static_cast<time_t>(seconds.count()),
                           static_cast<long>(std::chrono::nanoseconds(left - seconds).count())};
    return ::ppoll(fds.data(), fds.size(), &timeout, nullptr);
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
    nameCurrentThread("lintor-link");
    // Above the event loop's thread: the BCU waits for its 0xE5.
    constexpr int kWorkerNice = -10;
    if (!raiseCurrentThreadPriority(kWorkerNice)) {
        log::info("link worker runs at normal priority (" + errorText(errno) +
                  "); LimitNICE=-10 or CAP_SYS_NICE lets it raise its own");
    }
    lastOpenAttempt_ = Clock::now();
    const std::string failure = openPort();
    // Reported before startWorker() returns, so that the caller sees it.
    if (!failure.empty()) {
        log::error(outage_.begin(failure, lastOpenAttempt_));
        outage_.takeFirstOpenFailure(failure);
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
// the acknowledgement; bytes either way start a new quiet period. The pacer
// says when the next downlink record may go; until then the worker sleeps,
// with no time-out at all while nothing is waited for.
void SerialLink::serviceLink() {
    std::array<uint8_t, kReadBlockSize> readBlock;
    DownlinkPacer pacer;
    for (;;) {
        if (!portFailure_.empty()) {
            loseLink(std::exchange(portFailure_, {}));
            return;
        }
        pacer.advance(Clock::now());
        if (pacer.maySend(Clock::now()) && takeDownlinkRecord()) {
            pacer.recordSent(Clock::now());
            continue;
        }
        const bool recordWaiting = downlinkRecord_.complete();
        const short downlinkEvents = pacer.awaitingAck() || recordWaiting ? 0 : POLLIN;
        std::array<pollfd, 3> fds{
            {{port_->pollFd(), POLLIN, 0}, {stopEvent_.fd(), POLLIN, 0}, {downlink_.readEnd.get(), downlinkEvents, 0}}};
        const int ready = pollUntil(fds, pacer.nextDeadline(recordWaiting));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) {
            loseLink("poll: " + errorText(errno));
            return;
        }
        if (ready == 0) continue;

        if (!servicePort(fds[0].revents, readBlock)) return;
        if (fds[0].revents & POLLIN) pacer.lineActive(Clock::now());
        if (fds[1].revents & POLLIN) {
            state_ = LinkState::Stopped;
            return;
        }
        // Taken into the assembler now, sent at the top of the loop when due.
        if (fds[2].revents & POLLIN) readDownlinkRecord();
        if (takeAckSignal()) pacer.ackReceived(Clock::now());
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
    const int ready = pollUntil(fds, nextAttempt);
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
    if (outage_.takeFirstOpenFailure(failure)) {
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
