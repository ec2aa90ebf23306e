#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "link/bcu_startup.h"
#include "link/serial_link.h"
#include "net/client_sessions.h"
#include "net/record_framer.h"
#include "net/socket_server.h"
#include "platform/log_throttle.h"

namespace lintor {

// Joins the network to the bus: every record from the bus goes to every
// gateway client, every record a client sends goes to the bus. Owns the
// serial link, so the port, the worker and the pipes live and die with it.
class BusGateway final : public SocketServer {
public:
    // Listens on the gateway port and starts the link on config.device.
    BusGateway(EventLoop& loop, LinkEvents& linkEvents, ServerEvents& serverEvents, SerialDeviceOpener& opener,
               const GatewayConfig& config);
    // Stops the worker before anything is closed.
    ~BusGateway() override;

    // Reads the record announced by WM_BUS_MESSAGE into the record buffer and
    // hands it on; returns the bytes read.
    size_t readBusMessage(uint32_t wParam);
    // The record read last.
    std::span<const uint8_t> recordBuffer() const { return std::span(recordBuffer_).first(recordSize_); }

    // A BCU that has not acknowledged a start-up step this long is started
    // over with the reset.
    static constexpr std::chrono::milliseconds STARTUP_RETRY{5000};

    void performInitStep();
    // WM_LINK_DOWN: the start-up halts until the device is back.
    void linkDown();
    // WM_LINK_UP and WM_BCU_RESET: the whole start-up again.
    void restartStartup();
    int32_t bcuInitState() const { return startup_.bcuInitState(); }
    SerialLink& link() { return link_; }

protected:
    void OnClientConnected(ClientSocket& client) override;
    void OnClientData(ClientSocket& client, std::span<const uint8_t> bytes) override;
    void OnClientClosed(ClientSocket& client) override;

private:
    SerialLink link_;
    BcuStartup startup_;
    ClientSessions<RecordFramer> framers_;
    std::array<uint8_t, kUplinkRecordCapacity> recordBuffer_{};
    size_t recordSize_ = 0;
    void armStartupRetry();
    void retryStartup();

    LogThrottle droppedLog_;
    EventLoop::Timer startupRetry_;
};

}  // namespace lintor
