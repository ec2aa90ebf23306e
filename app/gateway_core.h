#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/user_interface.h"
#include "knxip/knxip_service.h"
#include "link/bus_link.h"
#include "link/reply_router.h"
#include "net/bus_gateway.h"
#include "net/gateway_config.h"
#include "net/server_events.h"
#include "platform/event_loop.h"
#include "platform/settings_store.h"
#include "proxy/proxy_server.h"

namespace lintor {

// The composition root: creates the bus link and the three servers on one
// event loop, wires the servers to the link, runs the one-second tick,
// turns what they report into the texts of the status fields, and shuts
// everything down in order. The window and the headless console only show
// what it writes to them.
class GatewayCore final : public BusLinkEvents, public ServerEvents {
public:
    static constexpr std::chrono::milliseconds TICK{1000};

    // The device comes from config.device, or else from the settings.
    GatewayCore(EventLoop& loop, UserInterface& ui, SettingsStore& settings, SerialDeviceOpener& opener,
                GatewayConfig config);
    // Says goodbye to the KNXnet/IP clients, stops the timer, then closes the
    // link and the gateway port, writes "ComPort" back, then closes the proxy.
    ~GatewayCore() override;
    GatewayCore(const GatewayCore&) = delete;
    GatewayCore& operator=(const GatewayCore&) = delete;

    // Creates the components; the link and the BCU start-up begin at the
    // loop's next turn.
    void start();

    BusLink* link() const { return link_.get(); }
    BusGateway* gateway() const { return gateway_.get(); }
    ProxyServer* proxy() const { return proxy_.get(); }
    // Null when the KNXnet/IP server is switched off.
    knxip::KnxIpService* knxip() const { return knxip_.get(); }

    // BusLinkEvents.
    void recordFromBus(std::span<const uint8_t> record) override;
    void linkDown() override;
    void startupStep(BcuInitStep step) override;
    void portOpenFailed(const std::string& device) override;
    void bcuAddress(uint16_t address, bool read) override;
    void downlinkFreed(DownlinkSource source) override;

    // ServerEvents.
    void listenFailed(ServerKind server, uint16_t port, ListeningSocket::Failure failure, int error) override;
    void clientConnected(ServerKind server) override;
    void clientClosed(ServerKind server) override;

private:
    Admission sendFor(Delivery::To port, uint64_t client, std::span<const uint8_t> record);
    void showLater(std::string text);
    Admission OnProxySetGa(uint64_t client, uint16_t groupAddress, uint16_t value);
    void tick();
    void startKnxIp();

    EventLoop& loop_;
    UserInterface& ui_;
    SettingsStore& settings_;
    SerialDeviceOpener& opener_;
    GatewayConfig config_;
    int comPort_ = 0;
    EventLoop::Timer timer_;
    ReplyRouter router_;
    std::unique_ptr<BusLink> link_;
    std::unique_ptr<BusGateway> gateway_;
    std::unique_ptr<ProxyServer> proxy_;
    std::unique_ptr<knxip::KnxIpService> knxip_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace lintor
