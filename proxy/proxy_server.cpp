#include "proxy/proxy_server.h"

#include "platform/log.h"
#include "proxy/proxy_protocol.h"

namespace lintor {

ProxyServer::ProxyServer(EventLoop& loop, ServerEvents& events, const GatewayConfig& config,
                         SetGroupValue setGroupValue)
    : SocketServer(loop, events, ServerKind::Proxy, config.proxyAddress(),
                   config.proxyEnabled ? std::optional<uint16_t>(config.proxyPort) : std::nullopt, config.limits,
                   config.allow),
      setGroupValue_(std::move(setGroupValue)) {}

void ProxyServer::updateGroupValue(uint16_t groupAddress, int32_t value) {
    if (table_.updateGroupValue(groupAddress, value) || tableFullLogged_) return;
    tableFullLogged_ = true;
    log::warning("group value table full (" + std::to_string(GroupValueTable::CAPACITY) +
                 " addresses): " + formatGroupAddress(groupAddress) + " and further new addresses are not kept");
}

void ProxyServer::sendProxyInfo() {
    // Nobody could take a line, and flags are cleared only by a taker.
    if (clientCount() == 0) return;
    for (uint16_t i = 0; i < table_.count(); ++i) {
        if (table_.entry(i).updateFlag == 0) continue;
        const std::string line = formatProxyInfo(table_.entry(i));
        if (broadcast(std::span(reinterpret_cast<const uint8_t*>(line.data()), line.size()))) {
            table_.clearUpdateFlag(i);
        }
    }
}

void ProxyServer::OnClientConnected(ClientSocket&) { events().clientConnected(kind()); }

void ProxyServer::OnClientData(ClientSocket& client, std::span<const uint8_t> bytes) {
    bool full = false;
    const size_t taken = splitters_.of(client).feed(
        bytes,
        [&](std::string_view text) {
            full = handleRequest(client.id(), text);
            return !full;
        },
        [this, &client](RequestSplitter::Loss loss, size_t count) { logLoss(client, loss, count); });
    if (full) holdReading(client, bytes.subspan(taken));
}

void ProxyServer::logLoss(const ClientSocket& client, RequestSplitter::Loss loss, size_t bytes) {
    if (!lossLog_.admit(loop().now())) return;
    switch (loss) {
    case RequestSplitter::Loss::Unfinished:
        log::warning(clientName(client) + ": unfinished request of " + std::to_string(bytes) +
                     " bytes dropped, a new '<' began before its '>'");
        return;
    case RequestSplitter::Loss::TooLong:
        log::warning(clientName(client) + ": no '>' within " + std::to_string(RequestSplitter::MAX_REQUEST) +
                     " bytes, " + std::to_string(bytes) + " bytes discarded");
        return;
    }
}

void ProxyServer::OnClientClosed(ClientSocket& client) {
    splitters_.close(client);
    events().clientClosed(kind());
}

bool ProxyServer::handleRequest(uint64_t client, std::string_view text) {
    // A request ends at its first zero byte, and must begin exactly so.
    text = text.substr(0, text.find('\0'));
    if (!text.starts_with("<SetGA")) return false;
    const auto request = parseSetGaRequest(text);
    if (!request) return false;
    return setGroupValue_(client, request->groupAddress, request->value) != Admission::Queued;
}

}  // namespace lintor
