#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/user_interface.h"
#include "knxip/knxip_service.h"
#include "link/link_events.h"
#include "net/bus_gateway.h"
#include "net/gateway_config.h"
#include "net/server_events.h"
#include "platform/event_loop.h"
#include "platform/settings_store.h"
#include "proxy/proxy_server.h"

namespace lintor {

// The composition root: creates the gateway and the proxy, routes the
// private messages and the one-second timer to them, turns what they report
// into the texts of the status fields, and shuts everything down in order.
// The window and the headless console only show what it writes to them.
class GatewayCore final : public LinkEvents, public ServerEvents {
public:
    static constexpr int TICK_MS = 1000;

    // The device comes from config.device, or else from the settings.
    GatewayCore(EventLoop& loop, UserInterface& ui, SettingsStore& settings, SerialDeviceOpener& opener,
                GatewayConfig config);
    // Says goodbye to the KNXnet/IP clients, stops the timer, then deletes
    // the gateway (worker stopped, port, pipes and sockets closed), writes
    // "ComPort" back, then deletes the proxy.
    ~GatewayCore() override;
    GatewayCore(const GatewayCore&) = delete;
    GatewayCore& operator=(const GatewayCore&) = delete;

    // Creates the components and starts the BCU start-up and the timer.
    void start();

    BusGateway* gateway() const { return gateway_.get(); }
    ProxyServer* proxy() const { return proxy_.get(); }
    // Null when the KNXnet/IP server is switched off.
    knxip::KnxIpService* knxip() const { return knxip_.get(); }

    // LinkEvents; post() may come from any thread.
    void post(const PostedMessage& message) override;
    void portOpenFailed(const std::string& device) override;
    void bcuInitStepReached(BcuInitStep step) override;

    // ServerEvents.
    void listenFailed(ServerKind server, uint16_t port, ListeningSocket::Failure failure, int error) override;
    void clientConnected(ServerKind server) override;
    void clientClosed(ServerKind server) override;

private:
    void showMessage(const std::string& text);
    // Any thread: runs f on the loop's thread while the core still exists.
    void onLoop(std::function<void()> f);
    void route(const PostedMessage& message);
    void routeBusMessage(uint32_t byteCount);
    void OnProxySetGa(uint32_t groupAddress, int32_t value);
    void tick();
    void startKnxIp();

    EventLoop& loop_;
    UserInterface& ui_;
    SettingsStore& settings_;
    SerialDeviceOpener& opener_;
    GatewayConfig config_;
    int comPort_ = 0;
    EventLoop::Timer timer_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::unique_ptr<BusGateway> gateway_;
    std::unique_ptr<ProxyServer> proxy_;
    std::unique_ptr<knxip::KnxIpService> knxip_;
};

}  // namespace lintor
