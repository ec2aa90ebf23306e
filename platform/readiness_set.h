#pragma once

#include <sys/epoll.h>

#include <array>
#include <cstddef>
#include <span>

#include "platform/sys_result.h"
#include "platform/unique_fd.h"

namespace lintor {

// Many descriptors behind one: an event loop watches fd() alone, however
// many connections there are, and collect() names those that are ready.
// poll() over a thousand sockets on every turn of the loop would cost more
// than the work the turn is for.
class ReadinessSet {
public:
    struct Interest {
        bool read = false;
        bool write = false;
    };
    struct Ready {
        void* owner = nullptr;
        bool readable = false;
        bool writable = false;
        // Hang-up or error: reported whatever the interest.
        bool failed = false;
    };

    static SysResult<ReadinessSet> create();
    ReadinessSet() = default;

    // Readable while some watched descriptor is ready.
    int fd() const { return epoll_.get(); }
    // owner comes back in Ready; it must outlive the registration.
    bool add(int fd, void* owner, Interest interest);
    bool change(int fd, void* owner, Interest interest);
    void remove(int fd);
    // What is ready now, up to out.size(); never waits.
    std::span<Ready> collect(std::span<Ready> out);

private:
    explicit ReadinessSet(UniqueFd epoll) : epoll_(std::move(epoll)) {}

    UniqueFd epoll_;
    std::array<epoll_event, 256> events_{};
};

}  // namespace lintor
