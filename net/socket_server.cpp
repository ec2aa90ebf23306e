#include "net/socket_server.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include "platform/log.h"
#include "platform/tcp_socket.h"

namespace lintor {

using namespace std::chrono_literals;

SocketServer::SocketServer(ServerEvents& events, ServerKind kind, const std::string& address,
                           std::optional<uint16_t> port, ServerLimits limits, AddressFilter allow)
    : events_(events),
      kind_(kind),
      limits_(limits),
      allow_(std::move(allow)) {
    ListeningSocket socket = port ? listenTcp(address, *port, BACKLOG) : ListeningSocket{};
    if (!port) {
        // Not wanted: no listening socket, nothing to report.
    } else if (socket.failure != ListeningSocket::Failure::None) {
        log::error("cannot listen on " + (address.empty() ? std::string("port ") : address + " port ") +
                   std::to_string(*port) + ": " + errorText(socket.error));
        events_.listenFailed(kind_, *port, socket.failure, socket.error);
    } else {
        port_ = boundPort(socket.fd.get());
        listenSocket_ = std::make_unique<ListenSocket>(std::move(socket.fd), *this);
    }
    if (listenSocket_) {
        if (auto readiness = ReadinessSet::create(); readiness.ok()) {
            readiness_ = readiness.take();
            readinessNotifier_ = std::make_unique<QSocketNotifier>(readiness_.fd(), QSocketNotifier::Read);
            QObject::connect(readinessNotifier_.get(), &QSocketNotifier::activated, readinessNotifier_.get(),
                             [this] { serviceReadyClients(); });
        } else {
            log::error("port " + std::to_string(port_) + ": cannot watch clients: " + errorText(readiness.error()) +
                       "; not listening");
            listenSocket_.reset();
        }
    }

    connectionCheck_.setInterval(1s);
    QObject::connect(&connectionCheck_, &QTimer::timeout, &connectionCheck_, [this] { checkConnections(); });
    removal_.setSingleShot(true);
    removal_.setInterval(0);
    QObject::connect(&removal_, &QTimer::timeout, &removal_, [this] { removeRetired(); });
}

SocketServer::~SocketServer() {
    connectionCheck_.stop();
    removal_.stop();
    listenSocket_.reset();
    clients_.clear();
    readinessNotifier_.reset();
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
        if (connection.error() != EAGAIN && refusedLog_.admit()) {
            log::warning("accept on port " + std::to_string(port_) + " failed: " + errorText(connection.error()));
        }
        return false;
    }
    if (!allow_.allows(peer)) {
        if (notAllowedLog_.admit()) {
            log::warning("port " + std::to_string(port_) + ": connection from " + peer.text() +
                         " refused, not in the allowed addresses" + notAllowedLog_.occurrencesNote());
        }
        return true;  // closed with its descriptor, before anyone hears of it
    }
    if (clientCount() >= limits_.maxClients && !makeRoom()) {
        if (refusedLog_.admit()) {
            log::warning("port " + std::to_string(port_) + ": " + std::to_string(limits_.maxClients) +
                         " clients connected, new connection from " + peer.text() + " refused");
        }
        return true;  // the connection closes with its descriptor
    }
    enableKeepAlive(connection.value().get());
    sendWithoutDelay(connection.value().get());
    clients_.push_back(std::make_unique<ClientSocket>(connection.take(), nextClientId_++, peer.text(),
                                                      limits_.sendQueueBytes, readiness_));
    log::info(clientName(*clients_.back()) + " connected");
    OnClientConnected(*clients_.back());
    return true;
}

// A bounded batch per wake-up: the notifier fires again while more are ready.
// Clients are only removed from the event loop, never in here, so every
// owner in the batch is alive.
void SocketServer::serviceReadyClients() {
    std::array<ReadinessSet::Ready, 256> ready;
    for (const ReadinessSet::Ready& event : readiness_.collect(ready)) {
        ClientSocket& client = *static_cast<ClientSocket*>(event.owner);
        if (event.readable) receiveFromClient(client);
        if (event.writable) flushClient(client);
        // Reported even when not asked for; with nothing left to read the
        // connection is simply gone.
        if (event.failed && !event.readable && !client.retired()) {
            const int error = client.takeError();
            retire(client, error != 0 ? "connection gone: " + errorText(error) : "connection gone");
        }
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

void SocketServer::flushClient(ClientSocket& client) {
    if (!client.retired() && !client.flush()) retire(client, "send failed");
}

bool SocketServer::broadcast(std::span<const uint8_t> bytes) {
    bool taken = false;
    OutgoingBlock block(bytes);
    // Removal waits for the event loop, so the list does not change underneath.
    for (const auto& client : clients_) {
        switch (client->offer(block)) {
        case ClientSocket::Offer::Taken:
            taken = true;
            break;
        case ClientSocket::Offer::Refused:
            watchConnections();
            break;
        case ClientSocket::Offer::Broken:
            if (!client->retired()) retire(*client, "connection gone");
            break;
        }
    }
    return taken;
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
    removal_.start();
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
    if (!connectionCheck_.isActive()) connectionCheck_.start();
}

void SocketServer::checkConnections() {
    const auto now = ClientSocket::Clock::now();
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

void SocketServer::removeRetired() {
    std::erase_if(clients_, [](const auto& c) { return c->retired(); });
}

}  // namespace lintor
