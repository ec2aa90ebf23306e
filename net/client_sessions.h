#pragma once

#include <cstdint>
#include <unordered_map>

#include "net/client_socket.h"

namespace lintor {

// What a server keeps per client between receives (an unfinished record or
// request), by client, for as long as the client is connected.
template <typename Session>
class ClientSessions {
public:
    // Opened on first use.
    Session& of(const ClientSocket& client) { return sessions_[client.id()]; }
    void close(const ClientSocket& client) { sessions_.erase(client.id()); }

private:
    std::unordered_map<uint64_t, Session> sessions_;
};

}  // namespace lintor
