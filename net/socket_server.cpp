#include "net/socket_server.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

#include "platform/log.h"
#include "platform/tcp_socket.h"

namespace lintor {

using namespace std::chrono_literals;

SocketServer::SocketServer(EventLoop& loop, ServerEvents& events, ServerKind kind, const std::string& address,
                           std::optional<uint16_t> port, ServerLimits limits, AddressFilter allow)
    : loop_(loop),
      events_(events),
      kind_(kind),
      limits_(limits),
      allow_(std::move(allow)),
      connectionCheck_(loop.timer([this] { checkConnections(); })) {
    ListeningSocket socket = port ? listenTcp(address, *port, BACKLOG) : ListeningSocket{};
    if (!port) {
        // Not wanted: no listening socket, nothing to report.
    } else if (socket.failure != ListeningSocket::Failure::None) {
        log::error("cannot listen on " + (address.empty() ? std::string("port ") : address + " port ") +
                   std::to_string(*port) + ": " + errorText(socket.error));
        events_.listenFailed(kind_, *port, socket.failure, socket.error);
    } else {
        port_ = boundPort(socket.fd.get());
        listenSocket_ = std::make_unique<ListenSocket>(loop_, std::move(socket.fd), *this);
    }
}

SocketServer::~SocketServer() {
    *alive_ = false;
    connectionCheck_.reset();
    listenSocket_.reset();
    clients_.clear();
}

size_t SocketServer::clientCount() const {
    return static_cast<size_t>(std::ranges::count_if(clients_, [](const auto& c) { return !c->retired(); }));
}

// Everything waiting, up to a bound, per wake-up: with the small backlog, a
// burst of connections would otherwise overflow the queue.
void SocketServer::acceptClient() {
    constexpr int kAcceptsPerWake = 32;
    for (int i = 0; i < kAcceptsPerWake && acceptOne(); ++i) {}
}

bool SocketServer::acceptOne() {
    if (!listenSocket_) return false;
    PeerAddress peer;
    auto connection = acceptConnection(listenSocket_->fd(), peer);
    if (!connection.ok()) {
        if (connection.error() != EAGAIN && refusedLog_.admit(loop_.now())) {
            log::warning("accept on port " + std::to_string(port_) + " failed: " + errorText(connection.error()));
        }
        return false;
    }
    if (!allow_.allows(peer)) {
        if (notAllowedLog_.admit(loop_.now())) {
            log::warning("port " + std::to_string(port_) + ": connection from " + peer.text() +
                         " refused, not in the allowed addresses" + notAllowedLog_.occurrencesNote());
        }
        return true;  // closed with its descriptor, before anyone hears of it
    }
    if (clientCount() >= limits_.maxClients && !makeRoom()) {
        if (refusedLog_.admit(loop_.now())) {
            log::warning("port " + std::to_string(port_) + ": " + std::to_string(limits_.maxClients) +
                         " clients connected, new connection from " + peer.text() + " refused");
        }
        return true;  // the connection closes with its descriptor
    }
    enableKeepAlive(connection.value().get());
    sendWithoutDelay(connection.value().get());
    auto client =
        std::make_unique<ClientSocket>(loop_, connection.take(), nextClientId_++, peer.text(), limits_.sendQueueBytes);
    // Clients are only removed at a later turn, after retire() has ended the watch.
    client->watch([this, c = client.get()](EventLoop::Readiness readiness) { serviceClient(*c, readiness); });
    clients_.push_back(std::move(client));
    log::info(clientName(*clients_.back()) + " connected");
    OnClientConnected(*clients_.back());
    return true;
}

void SocketServer::serviceClient(ClientSocket& client, EventLoop::Readiness readiness) {
    if (readiness.readable) receiveFromClient(client);
    if (readiness.writable) flushClient(client);
    // Reported even when not asked for; with nothing left to read the
    // connection is simply gone.
    if (readiness.failed && !readiness.readable && !client.retired()) {
        const int error = client.takeError();
        retire(client, error != 0 ? "connection gone: " + errorText(error) : "connection gone");
    }
}

void SocketServer::receiveFromClient(ClientSocket& client) {
    if (client.retired()) return;
    std::array<uint8_t, RECEIVE_SIZE> buffer;
    auto received = client.receive(buffer);
    if (!received.ok()) {
        if (received.error() == EAGAIN) return;
        retire(client, errorText(received.error()));
        return;
    }
    if (received.value() == 0) {
        client.markPeerClosed();
        watchConnections();
        reportClosed(client);
        return;
    }
    OnClientData(client, std::span(buffer).first(received.value()));
}

void SocketServer::resumeReading(uint64_t clientId) {
    // Not from under the caller, who may be in the middle of the downlink.
    loop_.defer([this, alive = alive_, clientId] {
        if (*alive) offerUntaken(clientId);
    });
}

void SocketServer::offerUntaken(uint64_t clientId) {
    ClientSocket* const client = findClient(clientId);
    if (!client || client->retired() || !client->readingHeld()) return;
    const std::vector<uint8_t> untaken = client->resumeReading();
    if (!untaken.empty()) OnClientData(*client, untaken);
}

ClientSocket* SocketServer::findClient(uint64_t clientId) const {
    const auto client = std::ranges::find_if(clients_, [&](const auto& c) { return c->id() == clientId; });
    return client == clients_.end() ? nullptr : client->get();
}

void SocketServer::flushClient(ClientSocket& client) {
    if (!client.retired() && !client.flush()) retire(client, "send failed");
}

bool SocketServer::broadcast(std::span<const uint8_t> bytes) {
    bool taken = false;
    OutgoingBlock block(bytes);
    // Removal waits for the event loop, so the list does not change underneath.
    for (const auto& client : clients_) taken = offerTo(*client, block) || taken;
    return taken;
}

bool SocketServer::sendTo(uint64_t clientId, std::span<const uint8_t> bytes) {
    ClientSocket* const client = findClient(clientId);
    if (!client) return false;
    OutgoingBlock block(bytes);
    return offerTo(*client, block);
}

bool SocketServer::offerTo(ClientSocket& client, OutgoingBlock& block) {
    switch (client.offer(block)) {
    case ClientSocket::Offer::Taken:
        return true;
    case ClientSocket::Offer::Refused:
        watchConnections();
        return false;
    case ClientSocket::Offer::Broken:
        if (!client.retired()) retire(client, "connection gone");
        return false;
    }
    return false;
}

void SocketServer::OnClientConnected(ClientSocket&) {}
void SocketServer::OnClientClosed(ClientSocket&) {}

std::string SocketServer::clientName(const ClientSocket& client) const {
    const char* role = kind_ == ServerKind::BusGateway ? "gateway" : "proxy";
    return std::string(role) + " client " + std::to_string(client.id()) + " (" + client.peer() + ")";
}

void SocketServer::reportClosed(ClientSocket& client) {
    if (client.closedReported()) return;
    client.markClosedReported();
    if (!client.retired()) log::info(clientName(client) + " closed the connection");
    OnClientClosed(client);
}

void SocketServer::retire(ClientSocket& client, const std::string& reason) {
    log::info(clientName(client) + " removed: " + reason);
    client.retire();
    reportClosed(client);
    scheduleRemoval();
}

// A client that has only shut down its sending side may have gone for good;
// TCP cannot tell until a send fails. Make room with the oldest of them.
bool SocketServer::makeRoom() {
    const auto it = std::ranges::find_if(clients_, [](const auto& c) { return !c->retired() && c->peerClosed(); });
    if (it == clients_.end()) return false;
    retire(**it, "room needed for a new connection");
    return true;
}

// Only half-closed and stalled clients need a look now and then; without
// them the server costs no wake-up at all.
bool SocketServer::needsWatching(const ClientSocket& client) {
    return !client.retired() && (client.peerClosed() || client.stalledSince());
}

void SocketServer::watchConnections() {
    if (!connectionCheck_.active()) connectionCheck_.startEvery(1s);
}

void SocketServer::checkConnections() {
    const auto now = loop_.now();
    for (const auto& client : clients_) {
        // Nothing else watches a half-closed connection between sends.
        if (!client->retired() && client->peerClosed()) {
            if (const int error = client->takeError(); error != 0) {
                retire(*client, "connection gone: " + errorText(error));
                continue;
            }
        }
        const auto since = client->stalledSince();
        if (!client->retired() && since && now - *since >= limits_.stallTimeout) {
            retire(*client, "not reading, send queue full for " +
                                std::to_string(std::chrono::duration_cast<std::chrono::seconds>(now - *since).count()) +
                                " s");
        }
    }
    if (std::ranges::none_of(clients_, [](const auto& c) { return needsWatching(*c); })) connectionCheck_.stop();
}

void SocketServer::scheduleRemoval() {
    if (std::exchange(removalDeferred_, true)) return;
    loop_.defer([this, alive = alive_] {
        if (*alive) removeRetired();
    });
}

void SocketServer::removeRetired() {
    removalDeferred_ = false;
    std::erase_if(clients_, [](const auto& c) { return c->retired(); });
}

}  // namespace lintor
