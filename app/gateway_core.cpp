#include "app/gateway_core.h"

#include "app/device_setting.h"
#include "app/status_texts.h"
#include "platform/hardware_address.h"
#include "platform/log.h"
#include "platform/udp_socket.h"
#include "proxy/proxy_protocol.h"

namespace lintor {

GatewayCore::GatewayCore(EventLoop& loop, UserInterface& ui, SettingsStore& settings, SerialDeviceOpener& opener,
                         GatewayConfig config)
    : loop_(loop),
      ui_(ui),
      settings_(settings),
      opener_(opener),
      config_(std::move(config)),
      timer_(loop.timer([this] { tick(); })) {}

GatewayCore::~GatewayCore() {
    *alive_ = false;
    knxip_.reset();
    timer_.stop();
    if (gateway_) {
        gateway_.reset();
        writeBackComPort(settings_, comPort_);
    }
    ui_.setGroupValueTable(nullptr);
    proxy_.reset();
}

void GatewayCore::start() {
    const DeviceSetting setting = readDeviceSetting(settings_, config_.device);
    comPort_ = setting.comPort;
    config_.device = setting.device;
    gateway_ = std::make_unique<BusGateway>(loop_, *this, *this, opener_, config_);
    proxy_ = std::make_unique<ProxyServer>(loop_, *this, *this, config_);
    ui_.setGroupValueTable(&proxy_->table());
    if (config_.knxip.enabled) startKnxIp();
    ui_.setStatusText(StatusField::Bcu, std::string(OFFLINE_TEXT));
    post({WM_BCU_INIT_STEP, 0, 0});
    ui_.setStatusText(StatusField::Socket, std::string(WAITING_TEXT));
    ui_.setCounter(CounterField::AckSent, 0);
    timer_.startEvery(std::chrono::milliseconds(TICK_MS));
}

void GatewayCore::startKnxIp() {
    const KnxIpConfig& config = config_.knxip;
    if (!config_.knxipAddress().empty() && !parseIpv4(config_.knxipAddress())) {
        log::warning("KNXnet/IP not started: it needs an IPv4 address, and the gateway listens on " +
                     config_.knxipAddress() + " (give --knxip-listen, or --knxip-port off)");
        return;
    }
    knxip::ServiceSettings settings;
    settings.listenAddress = config_.knxipAddress();
    settings.port = config.port;
    settings.tunnels.identity.name = config.name;
    settings.tunnels.identity.individualAddress = config.address;
    // Tools tell interfaces apart by serial number: the MAC makes one that
    // differs from host to host, the port one for each gateway on a host.
    if (const auto mac = hardwareAddressFor(parseIpv4(settings.listenAddress).value_or(0))) {
        settings.tunnels.identity.macAddress = *mac;
        auto& serial = settings.tunnels.identity.serialNumber;
        serial = *mac;
        serial[4] ^= static_cast<uint8_t>(config.port >> 8);
        serial[5] ^= static_cast<uint8_t>(config.port & 0xFF);
    }
    settings.tunnels.firstTunnelAddress = config.firstTunnel;
    settings.tunnels.tunnelCount = config.tunnels;
    settings.allow = config_.allow;
    knxip_ = std::make_unique<knxip::KnxIpService>(
        loop_, std::move(settings), [this](std::span<const uint8_t> record) { return gateway_->link().writeDownlink(record); },
        [this](const std::string& line, const std::string& brief) { ui_.showKnxIpStatus(line, brief); });
    if (!knxip_->listening()) {
        showMessage("KNXnet/IP: cannot listen on UDP port " + std::to_string(config.port) + ": " +
                    errorText(knxip_->error()) + " (is another KNXnet/IP server running? see --knxip-port)");
    }
}

void GatewayCore::post(const PostedMessage& message) {
    onLoop([this, message] { route(message); });
}

// Any thread: the text is shown from the loop's thread.
void GatewayCore::showMessage(const std::string& text) {
    onLoop([this, text] { ui_.showMessage(text); });
}

void GatewayCore::onLoop(std::function<void()> f) {
    loop_.post([alive = alive_, f = std::move(f)] {
        if (*alive) f();
    });
}

void GatewayCore::portOpenFailed(const std::string&) { showMessage(std::string(INVALID_COM_PORT_TEXT)); }

void GatewayCore::bcuInitStepReached(BcuInitStep step) {
    if (knxip_) knxip_->setBusConnected(step == BcuInitStep::Connected);
    ui_.setStatusText(StatusField::Bcu, std::string(bcuStatusText(step)));
}

void GatewayCore::listenFailed(ServerKind, uint16_t, ListeningSocket::Failure failure, int error) {
    showMessage(listenFailedText(failure, error));
}

void GatewayCore::clientConnected(ServerKind server) {
    if (server == ServerKind::Proxy && !timer_.active()) timer_.startEvery(std::chrono::milliseconds(TICK_MS));
    ui_.setStatusText(StatusField::Socket, std::string(clientConnectedText(server)));
}

void GatewayCore::clientClosed(ServerKind) {
    ui_.setStatusText(StatusField::Socket, std::string(CONNECTION_CLOSED_TEXT));
}

void GatewayCore::route(const PostedMessage& message) {
    if (!gateway_) return;
    switch (message.id) {
    case WM_BUS_MESSAGE:
        routeBusMessage(message.wParam);
        break;
    case WM_BCU_INIT_STEP:
        gateway_->performInitStep();
        break;
    case WM_LINK_DOWN:
        if (knxip_) knxip_->setBusConnected(false);
        gateway_->linkDown();
        ui_.setStatusText(StatusField::Bcu, std::string(OFFLINE_TEXT));
        break;
    case WM_LINK_UP:
    case WM_BCU_RESET:
        gateway_->restartStartup();
        break;
    case WM_PROXY_SET_GA:
        OnProxySetGa(message.wParam, message.lParam);
        break;
    default:
        break;
    }
}

void GatewayCore::routeBusMessage(uint32_t byteCount) {
    gateway_->readBusMessage(byteCount);
    if (knxip_) knxip_->uplinkRecord(gateway_->recordBuffer());
    const auto decoded = decodeGroupValue(gateway_->recordBuffer());
    if (!decoded) return;
    proxy_->updateGroupValue(decoded->groupAddress, decoded->value);
    if (ui_.isTableShown()) ui_.fillTable();
}

void GatewayCore::OnProxySetGa(uint32_t groupAddress, int32_t value) {
    gateway_->link().writeDownlink(
        groupWriteRecord(static_cast<uint16_t>(groupAddress & 0xFFFF), static_cast<uint16_t>(value & 0xFFFF)));
}

void GatewayCore::tick() {
    const SerialLink& link = gateway_->link();
    ui_.setCounter(CounterField::AckSent, link.ackSentCount());
    ui_.setCounter(CounterField::AckReceived, link.ackReceivedCount());
    ui_.setCounter(CounterField::PortWrites, link.portWriteCount());
    ui_.setCounter(CounterField::Duplicates, link.duplicateCount());
    ui_.countersRefreshed();
    proxy_->sendProxyInfo();
    // An idle daemon sleeps: a proxy client that connects starts the tick again.
    if (!ui_.showsCounters() && proxy_->clientCount() == 0) timer_.stop();
}

}  // namespace lintor
