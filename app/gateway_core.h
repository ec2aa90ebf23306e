#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>

#include "app/user_interface.h"
#include "link/owner_window.h"
#include "net/bus_gateway.h"
#include "proxy/proxy_server.h"

namespace lintor {

struct CoreConfig {
    std::string listenAddress;
    uint16_t gatewayPort = 57627;
    uint16_t proxyPort = 5003;
    std::string device;
    ServerLimits limits;
};

// The composition root: creates the gateway and the proxy, routes the
// private messages and the one-second timer to them, and shuts everything
// down in order. The window and the headless console only show what it
// writes to them.
class GatewayCore final : public QObject, public OwnerWindow {
public:
    static constexpr int TICK_MS = 1000;

    GatewayCore(UserInterface& ui, SettingsStore& settings, SerialDeviceOpener& opener, CoreConfig config);
    // Stops the timer, then deletes the gateway (worker stopped, "ComPort"
    // written back, port, pipes and sockets closed), then the proxy.
    ~GatewayCore() override;

    // Creates the components and starts the BCU start-up and the timer.
    void start();

    void post(const PostedMessage& message) override;
    void showMessage(const std::string& text) override;
    void setStatusText(StatusField field, const std::string& text) override;

    BusGateway* gateway() const { return gateway_.get(); }
    ProxyServer* proxy() const { return proxy_.get(); }

protected:
    void customEvent(QEvent* event) override;

private:
    void routeBusMessage(uint32_t byteCount);
    void OnProxySetGa(uint32_t groupAddress, int32_t value);
    void tick();

    UserInterface& ui_;
    SettingsStore& settings_;
    SerialDeviceOpener& opener_;
    CoreConfig config_;
    QTimer timer_;
    std::unique_ptr<BusGateway> gateway_;
    std::unique_ptr<ProxyServer> proxy_;
};

}  // namespace lintor
