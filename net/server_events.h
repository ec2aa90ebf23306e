#pragma once

#include <cstdint>

#include "platform/tcp_socket.h"

namespace lintor {

enum class ServerKind { BusGateway, Proxy };

// What the servers report to the composition root; the root decides what
// the user sees of it. User-interface thread.
class ServerEvents {
public:
    virtual ~ServerEvents() = default;
    virtual void listenFailed(ServerKind server, uint16_t port, ListeningSocket::Failure failure, int error) = 0;
    virtual void clientConnected(ServerKind server) = 0;
    virtual void clientClosed(ServerKind server) = 0;
};

}  // namespace lintor
