#pragma once

#include "platform/sys_result.h"
#include "platform/unique_fd.h"

namespace lintor {

// An eventfd that one thread signals and another polls: the stop request of
// a worker. Signalled until cleared.
class WakeEvent {
public:
    static SysResult<WakeEvent> create();
    WakeEvent() = default;

    void signal();
    void clear();
    bool signalled() const;
    int fd() const { return fd_.get(); }

private:
    explicit WakeEvent(UniqueFd fd) : fd_(std::move(fd)) {}
    UniqueFd fd_;
};

}  // namespace lintor
