#pragma once

#include <QSocketNotifier>

#include <memory>

#include "platform/unique_fd.h"

namespace lintor {

class SocketServer;

// The listening socket of a server; tells the server when a connection waits.
class ListenSocket {
public:
    ListenSocket(UniqueFd fd, SocketServer& server);
    ~ListenSocket();
    ListenSocket(const ListenSocket&) = delete;
    ListenSocket& operator=(const ListenSocket&) = delete;

    int fd() const { return fd_.get(); }

private:
    UniqueFd fd_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace lintor
