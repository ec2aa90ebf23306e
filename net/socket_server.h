#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "net/client_socket.h"
#include "net/gateway_config.h"
#include "net/listen_socket.h"
#include "net/server_events.h"
#include "platform/address_filter.h"
#include "platform/event_loop.h"
#include "platform/log_throttle.h"

namespace lintor {

// Listens on one TCP port, accepts every connection, hands received bytes to
// the subclass and sends blocks to all clients. Everything runs on the event
// loop's thread; nothing here ever blocks.
class SocketServer {
public:
    static constexpr size_t RECEIVE_SIZE = 1500;
    // Room for a burst of connections between two turns of the event loop:
    // a full queue drops the SYN, and the client waits a second to retry.
    static constexpr int BACKLOG = 1024;

    // Without a port it does not listen at all (and reports nothing).
    SocketServer(EventLoop& loop, ServerEvents& events, ServerKind kind, const std::string& address,
                 std::optional<uint16_t> port, ServerLimits limits = {}, AddressFilter allow = {});
    // Closes every connection without calling the hooks.
    virtual ~SocketServer();
    SocketServer(const SocketServer&) = delete;
    SocketServer& operator=(const SocketServer&) = delete;

    bool listening() const { return listenSocket_ != nullptr; }
    // The bound port (the chosen one when 0 was asked for); 0 when not listening.
    uint16_t port() const { return port_; }
    size_t clientCount() const;
    // For connections accepted from now on; those already open stay.
    void setAllow(AddressFilter allow) { allow_ = std::move(allow); }

    // True when at least one client took the whole block.
    bool broadcast(std::span<const uint8_t> bytes);
    // To the one client with that id, if it is still there.
    bool sendTo(uint64_t clientId, std::span<const uint8_t> bytes);
    // A client held back (holdReading) reads again, from the next turn on,
    // beginning with the bytes it left.
    void resumeReading(uint64_t clientId);

    // Called by the listening socket.
    void acceptClient();

protected:
    virtual void OnClientConnected(ClientSocket& client);
    // One receive of at most RECEIVE_SIZE bytes; never empty.
    virtual void OnClientData(ClientSocket& client, std::span<const uint8_t> bytes) = 0;
    // From OnClientData: read nothing more from the client until
    // resumeReading, which offers the untaken bytes first.
    static void holdReading(ClientSocket& client, std::span<const uint8_t> untaken) { client.holdReading(untaken); }
    // Once per client, when its connection ends (not at destruction).
    virtual void OnClientClosed(ClientSocket& client);

    EventLoop& loop() const { return loop_; }
    ServerEvents& events() const { return events_; }
    ServerKind kind() const { return kind_; }
    // For log lines: "gateway client 3 (192.0.2.10:50123)".
    std::string clientName(const ClientSocket& client) const;

private:
    void serviceClient(ClientSocket& client, EventLoop::Readiness readiness);
    void receiveFromClient(ClientSocket& client);
    void offerUntaken(uint64_t clientId);
    ClientSocket* findClient(uint64_t clientId) const;
    void flushClient(ClientSocket& client);
    bool offerTo(ClientSocket& client, OutgoingBlock& block);
    bool acceptOne();
    void reportClosed(ClientSocket& client);
    void retire(ClientSocket& client, const std::string& reason);
    bool makeRoom();
    static bool needsWatching(const ClientSocket& client);
    void watchConnections();
    void checkConnections();
    void scheduleRemoval();
    void removeRetired();

    EventLoop& loop_;
    ServerEvents& events_;
    ServerKind kind_;
    ServerLimits limits_;
    AddressFilter allow_;
    uint16_t port_ = 0;
    std::unique_ptr<ListenSocket> listenSocket_;
    std::vector<std::unique_ptr<ClientSocket>> clients_;
    uint64_t nextClientId_ = 1;
    EventLoop::Timer connectionCheck_;
    // Retired clients go at the next turn, never under a loop over clients_.
    bool removalDeferred_ = false;
    // Set while the server lives, for the deferred removal.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    LogThrottle refusedLog_;
    LogThrottle notAllowedLog_;
};

}  // namespace lintor
