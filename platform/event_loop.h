#pragma once

#include <sys/epoll.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/sys_result.h"
#include "platform/unique_fd.h"

namespace lintor {

// The monotonic clock the core reads. Tests give the loop one they move by
// hand, so that a five-second retry takes no time at all.
class Clock {
public:
    using duration = std::chrono::steady_clock::duration;
    using time_point = std::chrono::steady_clock::time_point;
    virtual ~Clock() = default;
    virtual time_point now() const = 0;
};

class SystemClock final : public Clock {
public:
    time_point now() const override { return std::chrono::steady_clock::now(); }
};

// One thread's event loop over epoll: descriptor readiness, deadline timers
// on the clock it is given, calls deferred to its next turn, calls posted
// from other threads, and quit. fd() is readable whenever a turn has work,
// so a foreign loop can drive this one by watching that one descriptor.
//
// Callbacks may destroy any handle, their own included; a descriptor or
// timer gone before its turn is skipped.
class EventLoop {
public:
    using Callback = std::function<void()>;
    struct Interest {
        bool read = false;
        bool write = false;
    };
    struct Readiness {
        bool readable = false;
        bool writable = false;
        // Hang-up or error: reported whatever the interest.
        bool failed = false;
    };
    using ReadyCallback = std::function<void(Readiness)>;

    class Watch;
    class Timer;

    // With the system clock, timers fire on a timerfd; with any other, only
    // when a turn finds them due on it.
    static SysResult<std::unique_ptr<EventLoop>> create(const Clock& clock);
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    int fd() const { return epoll_.get(); }
    const Clock& clock() const { return clock_; }
    Clock::time_point now() const { return clock_.now(); }

    // The descriptor must stay open while the watch exists.
    [[nodiscard]] Watch watch(int fd, Interest interest, ReadyCallback callback);
    [[nodiscard]] Timer timer(Callback callback);
    // Loop thread: runs at the start of the next turn, in order.
    void defer(Callback callback);
    // Any thread: runs on the loop's thread, in order; wakes it.
    void post(Callback callback);

    // Turns until quit(); then returns.
    void run();
    void quit() { quit_ = true; }
    bool quitting() const { return quit_; }
    // One turn: waits at most wait (none: until something happens), then
    // runs what is ready, due and deferred. False once quit() was called.
    bool runOnce(std::optional<Clock::duration> wait);
    // When the next timer is due; none while no timer runs.
    std::optional<Clock::time_point> nextDeadline() const;

private:
    struct WatchEntry {
        int fd = -1;
        std::shared_ptr<ReadyCallback> callback;
    };
    struct TimerEntry {
        std::shared_ptr<Callback> callback;
        std::optional<Clock::time_point> deadline;
        Clock::duration period{};
    };
    using TimerKey = std::pair<Clock::time_point, uint64_t>;

    EventLoop(const Clock& clock, UniqueFd epoll, UniqueFd wake, UniqueFd timerFd);

    void changeWatch(uint64_t id, Interest interest);
    void removeWatch(uint64_t id);
    void startTimer(uint64_t id, Clock::time_point deadline, Clock::duration period);
    void stopTimer(uint64_t id);
    void removeTimer(uint64_t id);
    bool timerActive(uint64_t id) const;

    int waitMilliseconds(std::optional<Clock::duration> wait) const;
    void dispatchReady(std::span<const epoll_event> events);
    void runDueTimers();
    void runDeferred();
    void takePosted();
    void wakeUp();
    void armTimerFd();

    const Clock& clock_;
    UniqueFd epoll_;
    UniqueFd wake_;
    UniqueFd timerFd_;
    uint64_t nextId_ = 1;
    bool quit_ = false;
    std::unordered_map<uint64_t, WatchEntry> watches_;
    std::unordered_map<uint64_t, TimerEntry> timers_;
    std::set<TimerKey> due_;
    std::optional<Clock::time_point> armedFor_;
    std::vector<Callback> deferred_;
    std::mutex postedMutex_;
    std::vector<Callback> posted_;
};

// A descriptor watched for as long as the handle lives.
class EventLoop::Watch {
public:
    Watch() = default;
    Watch(Watch&& other) noexcept { *this = std::move(other); }
    Watch& operator=(Watch&& other) noexcept;
    ~Watch() { reset(); }

    void change(Interest interest);
    void reset();
    explicit operator bool() const { return loop_ != nullptr; }

private:
    friend class EventLoop;
    Watch(EventLoop* loop, uint64_t id) : loop_(loop), id_(id) {}
    EventLoop* loop_ = nullptr;
    uint64_t id_ = 0;
};

// A callback at a deadline, once or every period, for as long as the
// handle lives.
class EventLoop::Timer {
public:
    Timer() = default;
    Timer(Timer&& other) noexcept { *this = std::move(other); }
    Timer& operator=(Timer&& other) noexcept;
    ~Timer() { reset(); }

    void startAfter(Clock::duration delay);
    void startAt(Clock::time_point deadline);
    // Every period from now on; a turn that comes late does not move the
    // ones after it, so once a second stays once a second.
    void startEvery(Clock::duration period);
    void stop();
    bool active() const;
    void reset();
    explicit operator bool() const { return loop_ != nullptr; }

private:
    friend class EventLoop;
    Timer(EventLoop* loop, uint64_t id) : loop_(loop), id_(id) {}
    EventLoop* loop_ = nullptr;
    uint64_t id_ = 0;
};

}  // namespace lintor
