#include "platform/readiness_set.h"

#include <algorithm>
#include <cerrno>

namespace lintor {
namespace {

epoll_event eventFor(void* owner, ReadinessSet::Interest interest) {
    epoll_event event{};
    event.events = (interest.read ? EPOLLIN : 0U) | (interest.write ? EPOLLOUT : 0U);
    event.data.ptr = owner;
    return event;
}

}  // namespace

SysResult<ReadinessSet> ReadinessSet::create() {
    const int fd = ::epoll_create1(EPOLL_CLOEXEC);
    if (fd < 0) return SysResult<ReadinessSet>::failure(errno);
    return ReadinessSet(UniqueFd(fd));
}

bool ReadinessSet::add(int fd, void* owner, Interest interest) {
    epoll_event event = eventFor(owner, interest);
    return ::epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, fd, &event) == 0;
}

bool ReadinessSet::change(int fd, void* owner, Interest interest) {
    epoll_event event = eventFor(owner, interest);
    return ::epoll_ctl(epoll_.get(), EPOLL_CTL_MOD, fd, &event) == 0;
}

void ReadinessSet::remove(int fd) { ::epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, fd, nullptr); }

std::span<ReadinessSet::Ready> ReadinessSet::collect(std::span<Ready> out) {
    const int capacity = static_cast<int>(std::min(out.size(), events_.size()));
    int n = 0;
    do {
        n = ::epoll_wait(epoll_.get(), events_.data(), capacity, 0);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return {};
    for (int i = 0; i < n; ++i) {
        const uint32_t events = events_[i].events;
        out[i] = {events_[i].data.ptr, (events & EPOLLIN) != 0, (events & EPOLLOUT) != 0,
                  (events & (EPOLLHUP | EPOLLERR)) != 0};
    }
    return out.first(static_cast<size_t>(n));
}

}  // namespace lintor
