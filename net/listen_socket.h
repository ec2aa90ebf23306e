#pragma once

#include "platform/event_loop.h"
#include "platform/unique_fd.h"

namespace lintor {

class SocketServer;

// The listening socket of a server; tells the server when a connection waits.
class ListenSocket {
public:
    ListenSocket(EventLoop& loop, UniqueFd fd, SocketServer& server);
    ListenSocket(const ListenSocket&) = delete;
    ListenSocket& operator=(const ListenSocket&) = delete;

    int fd() const { return fd_.get(); }

private:
    UniqueFd fd_;
    // Declared after the descriptor: it goes first.
    EventLoop::Watch watch_;
};

}  // namespace lintor
