#pragma once

#include <initializer_list>

#include "platform/sys_result.h"
#include "platform/unique_fd.h"

namespace lintor {

// Signals as a readable fd instead of a handler, so that every wait of the
// program can end on them. Blocks them in the calling thread: create it
// before starting any other thread, which inherits the mask.
class BlockedSignals {
public:
    static SysResult<BlockedSignals> block(std::initializer_list<int> signalNumbers);
    BlockedSignals() = default;

    // Readable from the first signal on, until consume() takes them.
    int fd() const { return fd_.get(); }
    // Takes the pending signals, so that a watcher is not woken again and
    // again for the same one.
    void consume() const;

private:
    explicit BlockedSignals(UniqueFd fd) : fd_(std::move(fd)) {}
    UniqueFd fd_;
};

}  // namespace lintor
