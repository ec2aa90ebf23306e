#include "platform/event_loop.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>

namespace lintor {
namespace {

// The wake-up and the timerfd in the epoll set; watches count from 1.
constexpr uint64_t kWakeId = 0;
constexpr uint64_t kTimerFdId = UINT64_MAX;
constexpr int kEventsPerTurn = 256;

uint32_t epollEvents(EventLoop::Interest interest) {
    return (interest.read ? EPOLLIN : 0U) | (interest.write ? EPOLLOUT : 0U);
}

bool addToEpoll(int epoll, int fd, uint32_t events, uint64_t id) {
    epoll_event event{};
    event.events = events;
    event.data.u64 = id;
    return ::epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event) == 0;
}

void drain(int fd) {
    uint64_t count = 0;
    while (::read(fd, &count, sizeof count) < 0 && errno == EINTR) {}
}

timespec timespecOf(Clock::time_point at) {
    const auto since = at.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(since);
    return {static_cast<time_t>(seconds.count()),
            static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count())};
}

}  // namespace

SysResult<std::unique_ptr<EventLoop>> EventLoop::create(const Clock& clock) {
    using Result = SysResult<std::unique_ptr<EventLoop>>;
    UniqueFd epoll(::epoll_create1(EPOLL_CLOEXEC));
    if (!epoll) return Result::failure(errno);
    UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake || !addToEpoll(epoll.get(), wake.get(), EPOLLIN, kWakeId)) return Result::failure(errno);
    UniqueFd timerFd;
    // Only the system clock is the one the kernel keeps.
    if (dynamic_cast<const SystemClock*>(&clock) != nullptr) {
        timerFd = UniqueFd(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK));
        if (!timerFd || !addToEpoll(epoll.get(), timerFd.get(), EPOLLIN, kTimerFdId)) return Result::failure(errno);
    }
    return std::unique_ptr<EventLoop>(new EventLoop(clock, std::move(epoll), std::move(wake), std::move(timerFd)));
}

EventLoop::EventLoop(const Clock& clock, UniqueFd epoll, UniqueFd wake, UniqueFd timerFd)
    : clock_(clock),
      epoll_(std::move(epoll)),
      wake_(std::move(wake)),
      timerFd_(std::move(timerFd)) {}

EventLoop::~EventLoop() = default;

EventLoop::Watch EventLoop::watch(int fd, Interest interest, ReadyCallback callback) {
    const uint64_t id = nextId_++;
    if (!addToEpoll(epoll_.get(), fd, epollEvents(interest), id)) return {};
    watches_[id] = {fd, std::make_shared<ReadyCallback>(std::move(callback))};
    return {this, id};
}

EventLoop::Timer EventLoop::timer(Callback callback) {
    const uint64_t id = nextId_++;
    timers_[id].callback = std::make_shared<Callback>(std::move(callback));
    return {this, id};
}

// A foreign loop that watches fd() learns of deferred calls too.
void EventLoop::defer(Callback callback) {
    if (deferred_.empty()) wakeUp();
    deferred_.push_back(std::move(callback));
}

void EventLoop::post(Callback callback) {
    {
        const std::lock_guard lock(postedMutex_);
        posted_.push_back(std::move(callback));
    }
    wakeUp();
}

void EventLoop::wakeUp() {
    const uint64_t one = 1;
    while (::write(wake_.get(), &one, sizeof one) < 0 && errno == EINTR) {}
}

void EventLoop::run() {
    while (runOnce(std::nullopt)) {}
}

bool EventLoop::runOnce(std::optional<Clock::duration> wait) {
    runDeferred();
    if (quit_) return false;
    std::array<epoll_event, kEventsPerTurn> events;
    const int timeout = deferred_.empty() ? waitMilliseconds(wait) : 0;
    const int n = ::epoll_wait(epoll_.get(), events.data(), kEventsPerTurn, timeout);
    for (int i = 0; i < n; ++i) {
        if (events[i].data.u64 == kWakeId) {
            drain(wake_.get());
            takePosted();
        } else if (events[i].data.u64 == kTimerFdId) {
            drain(timerFd_.get());
            armedFor_.reset();
        }
    }
    if (n > 0) dispatchReady(std::span(events).first(static_cast<size_t>(n)));
    runDueTimers();
    runDeferred();
    armTimerFd();
    return !quit_;
}

std::optional<Clock::time_point> EventLoop::nextDeadline() const {
    if (due_.empty()) return std::nullopt;
    return due_.begin()->first;
}

// The timerfd wakes the loop for timers; without one (a clock of the
// test's own) a turn waits no longer than asked.
int EventLoop::waitMilliseconds(std::optional<Clock::duration> wait) const {
    auto limit = wait;
    if (!timerFd_ && !due_.empty()) {
        const auto untilDue = std::max(Clock::duration::zero(), due_.begin()->first - now());
        limit = limit ? std::min(*limit, untilDue) : untilDue;
    }
    if (!limit) return -1;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*limit).count();
    return static_cast<int>(std::clamp<int64_t>(ms, 0, INT_MAX));
}

void EventLoop::dispatchReady(std::span<const epoll_event> events) {
    for (const epoll_event& event : events) {
        const uint64_t id = event.data.u64;
        if (id == kWakeId || id == kTimerFdId) continue;
        const auto it = watches_.find(id);
        if (it == watches_.end()) continue;  // removed by an earlier callback
        // Held here: the callback may remove its own watch.
        const std::shared_ptr<ReadyCallback> callback = it->second.callback;
        (*callback)({(event.events & EPOLLIN) != 0, (event.events & EPOLLOUT) != 0,
                     (event.events & (EPOLLHUP | EPOLLERR)) != 0});
    }
}

// Those due when the turn looked; one that a callback starts again for now
// or earlier runs on the next turn, as a zero delay does.
void EventLoop::runDueTimers() {
    const Clock::time_point now = clock_.now();
    const std::vector<TimerKey> ready(due_.begin(), due_.upper_bound({now, UINT64_MAX}));
    for (const TimerKey& key : ready) {
        if (due_.erase(key) == 0) continue;  // stopped or moved by an earlier callback
        const auto [deadline, id] = key;
        TimerEntry& entry = timers_.at(id);
        entry.deadline.reset();
        if (entry.period > Clock::duration::zero()) {
            // The next one a period after this one, or after now if several were missed.
            Clock::time_point next = deadline + entry.period;
            if (next <= now) next = now + entry.period;
            entry.deadline = next;
            due_.insert({next, id});
        }
        const std::shared_ptr<Callback> callback = entry.callback;
        (*callback)();
    }
}

void EventLoop::runDeferred() {
    // Calls deferred by these run on the next turn.
    std::vector<Callback> now;
    now.swap(deferred_);
    for (Callback& callback : now) callback();
}

void EventLoop::takePosted() {
    std::vector<Callback> posted;
    {
        const std::lock_guard lock(postedMutex_);
        posted.swap(posted_);
    }
    for (Callback& callback : posted) deferred_.push_back(std::move(callback));
}

void EventLoop::armTimerFd() {
    if (!timerFd_) return;
    const auto next = nextDeadline();
    if (next == armedFor_) return;
    armedFor_ = next;
    itimerspec expiry{};
    if (next) {
        expiry.it_value = timespecOf(*next);
        // Zero would disarm it: a deadline at the epoch is long past anyway.
        if (expiry.it_value.tv_sec == 0 && expiry.it_value.tv_nsec == 0) expiry.it_value.tv_nsec = 1;
    }
    ::timerfd_settime(timerFd_.get(), TFD_TIMER_ABSTIME, &expiry, nullptr);
}

void EventLoop::changeWatch(uint64_t id, Interest interest) {
    const auto it = watches_.find(id);
    if (it == watches_.end()) return;
    epoll_event event{};
    event.events = epollEvents(interest);
    event.data.u64 = id;
    ::epoll_ctl(epoll_.get(), EPOLL_CTL_MOD, it->second.fd, &event);
}

void EventLoop::removeWatch(uint64_t id) {
    const auto it = watches_.find(id);
    if (it == watches_.end()) return;
    ::epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, it->second.fd, nullptr);
    watches_.erase(it);
}

void EventLoop::startTimer(uint64_t id, Clock::time_point deadline, Clock::duration period) {
    stopTimer(id);
    TimerEntry& entry = timers_.at(id);
    entry.deadline = deadline;
    entry.period = period;
    due_.insert({deadline, id});
    armTimerFd();
}

void EventLoop::stopTimer(uint64_t id) {
    TimerEntry& entry = timers_.at(id);
    if (entry.deadline) due_.erase({*entry.deadline, id});
    entry.deadline.reset();
    entry.period = {};
}

void EventLoop::removeTimer(uint64_t id) {
    stopTimer(id);
    timers_.erase(id);
}

bool EventLoop::timerActive(uint64_t id) const { return timers_.at(id).deadline.has_value(); }

EventLoop::Watch& EventLoop::Watch::operator=(Watch&& other) noexcept {
    if (this != &other) {
        reset();
        loop_ = std::exchange(other.loop_, nullptr);
        id_ = other.id_;
    }
    return *this;
}

void EventLoop::Watch::change(Interest interest) {
    if (loop_) loop_->changeWatch(id_, interest);
}

void EventLoop::Watch::reset() {
    if (loop_) std::exchange(loop_, nullptr)->removeWatch(id_);
}

EventLoop::Timer& EventLoop::Timer::operator=(Timer&& other) noexcept {
    if (this != &other) {
        reset();
        loop_ = std::exchange(other.loop_, nullptr);
        id_ = other.id_;
    }
    return *this;
}

void EventLoop::Timer::startAfter(Clock::duration delay) { startAt(loop_->now() + delay); }

void EventLoop::Timer::startAt(Clock::time_point deadline) { loop_->startTimer(id_, deadline, {}); }

void EventLoop::Timer::startEvery(Clock::duration period) { loop_->startTimer(id_, loop_->now() + period, period); }

void EventLoop::Timer::stop() {
    if (loop_) loop_->stopTimer(id_);
}

bool EventLoop::Timer::active() const { return loop_ && loop_->timerActive(id_); }

void EventLoop::Timer::reset() {
    if (loop_) std::exchange(loop_, nullptr)->removeTimer(id_);
}

}  // namespace lintor
