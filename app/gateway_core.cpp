#include "app/gateway_core.h"

#include "app/device_setting.h"
#include "app/status_texts.h"
#include "link/individual_address.h"
#include "platform/hardware_address.h"
#include "platform/log.h"
#include "platform/udp_socket.h"
#include "proxy/proxy_protocol.h"

namespace lintor {

namespace {

DownlinkSource sourceOf(Delivery::To port, uint64_t client) {
    return {port == Delivery::To::Tunnel ? DownlinkSource::Kind::Tunnel : DownlinkSource::Kind::GatewayClient, client};
}

}  // namespace

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
    if (link_) {
        gateway_.reset();
        link_.reset();
        writeBackComPort(settings_, comPort_);
    }
    ui_.setGroupValueTable(nullptr);
    proxy_.reset();
}

void GatewayCore::start() {
    const DeviceSetting setting = readDeviceSetting(settings_, config_.device);
    comPort_ = setting.comPort;
    config_.device = setting.device;
    link_ = std::make_unique<BusLink>(loop_, *this, opener_, config_.device, config_.busInterface);
    link_->serialLink().setMaxWait(config_.maxBusWait);
    gateway_ = std::make_unique<BusGateway>(
        loop_, *this, config_,
        [this](std::span<const uint8_t> record, uint64_t client) {
            return sendFor(Delivery::To::GatewayClient, client, record);
        },
        [this](uint64_t client) { router_.clientGone(Delivery::To::GatewayClient, client); });
    proxy_ = std::make_unique<ProxyServer>(
        loop_, *this, config_,
        [this](uint64_t client, uint16_t address, uint16_t value) { return OnProxySetGa(client, address, value); });
    ui_.setGroupValueTable(&proxy_->table());
    if (config_.knxip.enabled) startKnxIp();
    ui_.setStatusText(StatusField::Bcu, std::string(OFFLINE_TEXT));
    ui_.setStatusText(StatusField::Socket, std::string(WAITING_TEXT));
    ui_.setCounter(CounterField::AckSent, 0);
    timer_.startEvery(TICK);
    // As the posted first step always did: after the status fields are set.
    loop_.defer([this, alive = alive_] {
        if (*alive) link_->start();
    });
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
        loop_, std::move(settings),
        [this](std::span<const uint8_t> record, uint8_t channel) {
            return sendFor(Delivery::To::Tunnel, channel, record) != Admission::Refused;
        },
        [this](const std::string& line, const std::string& brief) { ui_.showKnxIpStatus(line, brief); },
        [this] { link_->restart(); },
        [this](std::span<const uint8_t> record, uint8_t channel) {
            return link_->withdraw(sourceOf(Delivery::To::Tunnel, channel), record);
        });
    if (!knxip_->listening()) {
        showLater("KNXnet/IP: cannot listen on UDP port " + std::to_string(config.port) + ": " +
                  errorText(knxip_->error()) + " (is another KNXnet/IP server running? see --knxip-port)");
    }
}

Admission GatewayCore::sendFor(Delivery::To port, uint64_t client, std::span<const uint8_t> record) {
    router_.requestSent(port, client, record, loop_.now());
    return link_->send(sourceOf(port, client), record);
}

// At the next turn, as the posted messages always were: a message box opened
// in the middle of the link's or a server's work would run Qt's loop there.
void GatewayCore::showLater(std::string text) {
    loop_.defer([this, alive = alive_, text = std::move(text)] {
        if (*alive) ui_.showMessage(text);
    });
}

void GatewayCore::portOpenFailed(const std::string&) { showLater(std::string(INVALID_COM_PORT_TEXT)); }

void GatewayCore::startupStep(BcuInitStep step) {
    if (knxip_) knxip_->setBusConnected(step == BcuInitStep::Connected);
    ui_.setStatusText(StatusField::Bcu, std::string(bcuStatusText(step)));
}

void GatewayCore::bcuAddress(uint16_t address, bool) {
    if (knxip_) knxip_->setBcuAddress(address);
    ui_.showBcuAddress(formatIndividualAddress(address));
}

void GatewayCore::linkDown() {
    if (knxip_) knxip_->setBusConnected(false);
    ui_.setStatusText(StatusField::Bcu, std::string(OFFLINE_TEXT));
}

void GatewayCore::recordFromBus(std::span<const uint8_t> record) {
    if (!gateway_) return;
    const Delivery delivery = router_.route(record, loop_.now());
    gateway_->busRecord(record, delivery);
    if (knxip_) knxip_->uplinkRecord(record, delivery);
    const auto decoded = decodeGroupValue(record);
    if (!decoded) return;
    proxy_->updateGroupValue(decoded->groupAddress, decoded->value);
    if (ui_.isTableShown()) ui_.fillTable();
}

void GatewayCore::listenFailed(ServerKind, uint16_t, ListeningSocket::Failure failure, int error) {
    showLater(listenFailedText(failure, error));
}

void GatewayCore::clientConnected(ServerKind server) {
    if (server == ServerKind::Proxy && !timer_.active()) timer_.startEvery(TICK);
    ui_.setStatusText(StatusField::Socket, std::string(clientConnectedText(server)));
}

void GatewayCore::clientClosed(ServerKind) {
    ui_.setStatusText(StatusField::Socket, std::string(CONNECTION_CLOSED_TEXT));
}

Admission GatewayCore::OnProxySetGa(uint64_t client, uint16_t groupAddress, uint16_t value) {
    return link_->send({DownlinkSource::Kind::ProxyClient, client}, groupWriteRecord(groupAddress, value));
}

void GatewayCore::downlinkFreed(DownlinkSource source) {
    if (source.kind == DownlinkSource::Kind::GatewayClient && gateway_) gateway_->resumeReading(source.id);
    if (source.kind == DownlinkSource::Kind::ProxyClient && proxy_) proxy_->resumeReading(source.id);
}

void GatewayCore::tick() {
    const SerialLink& link = link_->serialLink();
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
