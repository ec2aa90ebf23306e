#pragma once

#include <string>
#include <utility>
#include <vector>

#include "net/server_events.h"

namespace lintor::test {

// The servers' events as the tests see them, in order, as "connected
// gateway", "closed proxy", "listen failed gateway".
class RecordingServerEvents final : public ServerEvents {
public:
    void listenFailed(ServerKind server, uint16_t, ListeningSocket::Failure, int) override {
        events_.push_back("listen failed " + name(server));
    }
    void clientConnected(ServerKind server) override { events_.push_back("connected " + name(server)); }
    void clientClosed(ServerKind server) override { events_.push_back("closed " + name(server)); }

    const std::vector<std::string>& events() const { return events_; }

private:
    static std::string name(ServerKind server) { return server == ServerKind::BusGateway ? "gateway" : "proxy"; }

    std::vector<std::string> events_;
};

}  // namespace lintor::test
