#pragma once

#include <string>

#include "platform/sys_result.h"
#include "platform/unique_fd.h"

namespace lintor {

// A pseudo-terminal that stands in for a serial line: the master is our end,
// slavePath is what the other side opens like any serial device.
struct PtyPair {
    // Non-blocking.
    UniqueFd master;
    // Held open for the pair's whole life: without an open slave the master
    // reads EIO, so every close and reopen on the other side would look like
    // a hang-up. Raw mode from the start, because a fresh pty echoes and
    // eats 0x16 and 0x0D before the other side has set its own mode.
    UniqueFd slaveKeepAlive;
    std::string slavePath;

    // Closes both ends we hold: whoever has the slave open sees POLLHUP,
    // reads end of file and fails to write with EIO.
    void hangUp();
    bool isOpen() const { return master.valid(); }
};

SysResult<PtyPair> openPtyPair();

}  // namespace lintor
