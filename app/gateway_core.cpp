#include "app/gateway_core.h"

#include <QCoreApplication>

#include "app/posted_event.h"
#include "proxy/proxy_protocol.h"

namespace lintor {

GatewayCore::GatewayCore(UserInterface& ui, SettingsStore& settings, SerialDeviceOpener& opener, CoreConfig config)
    : ui_(ui), settings_(settings), opener_(opener), config_(std::move(config)) {
    timer_.setInterval(TICK_MS);
    // Once a second means once a second, not up to 5 % later.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
}

GatewayCore::~GatewayCore() {
    timer_.stop();
    gateway_.reset();
    ui_.setGroupValueTable(nullptr);
    proxy_.reset();
}

void GatewayCore::start() {
    gateway_ = std::make_unique<BusGateway>(
        *this, settings_, opener_,
        GatewayConfig{config_.listenAddress, config_.gatewayPort, config_.device, config_.limits});
    proxy_ = std::make_unique<ProxyServer>(*this, config_.listenAddress, config_.proxyPort, config_.limits);
    ui_.setGroupValueTable(&proxy_->table());
    setStatusText(StatusField::Bcu, "offline..");
    post({WM_BCU_INIT_STEP, 0, 0});
    setStatusText(StatusField::Socket, "waiting..");
    ui_.setCounter(CounterField::AckSent, 0);
    timer_.start();
}

void GatewayCore::post(const PostedMessage& message) {
    QCoreApplication::postEvent(this, new PostedEvent(message));
}

void GatewayCore::showMessage(const std::string& text) {
    QCoreApplication::postEvent(this, new UserMessageEvent(text));
}

void GatewayCore::setStatusText(StatusField field, const std::string& text) { ui_.setStatusText(field, text); }

void GatewayCore::customEvent(QEvent* event) {
    if (const auto* userMessage = dynamic_cast<UserMessageEvent*>(event)) {
        ui_.showMessage(userMessage->text());
        return;
    }
    const auto* posted = dynamic_cast<PostedEvent*>(event);
    if (!posted || !gateway_) return;
    const PostedMessage& message = posted->message();
    switch (message.id) {
    case WM_BUS_MESSAGE:
        routeBusMessage(message.wParam);
        break;
    case WM_BCU_INIT_STEP:
        gateway_->performInitStep();
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
}

}  // namespace lintor
