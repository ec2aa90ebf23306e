#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "link/bcu_address.h"
#include "link/bcu_startup.h"
#include "link/link_listener.h"
#include "link/serial_link.h"
#include "platform/event_loop.h"

namespace lintor {

// What the bus link tells the composition root, on the loop's thread.
class BusLinkEvents {
public:
    virtual ~BusLinkEvents() = default;
    // Every record from the bus, the BCU's acknowledgements included.
    virtual void recordFromBus(std::span<const uint8_t> record) = 0;
    virtual void linkDown() = 0;
    virtual void startupStep(BcuInitStep step) = 0;
    virtual void portOpenFailed(const std::string& device) = 0;
    // The BCU's own individual address, read after every start-up; the
    // factory address when the BCU did not answer (read is then false).
    virtual void bcuAddress(uint16_t /*address*/, bool /*read*/) {}
    // A client's downlink queue that was full has room again.
    virtual void downlinkFreed(DownlinkSource /*source*/) {}
};

// The bus link as the rest of the gateway sees it: the serial link and the
// BCU start-up, which it runs again after every outage, every reset of the
// BCU and every step the BCU leaves unacknowledged for STARTUP_RETRY. Once
// the BCU is connected, its own individual address is read from it.
class BusLink final : private LinkListener {
public:
    static constexpr std::chrono::milliseconds STARTUP_RETRY{5000};
    // The answer to the address read comes at once, or the BCU does not
    // know the request.
    static constexpr std::chrono::milliseconds ADDRESS_READ_TIMEOUT{2000};

    BusLink(EventLoop& loop, BusLinkEvents& events, SerialDeviceOpener& opener, std::string devicePath,
            BusInterface interface = BusInterface::Emi);

    // Opens the device and starts the start-up; without a device, both
    // wait for it.
    void start();
    // A whole record towards the BCU; see SerialLink::send.
    Admission send(DownlinkSource source, std::span<const uint8_t> record) { return link_.send(source, record); }
    bool withdraw(DownlinkSource source, std::span<const uint8_t> record) { return link_.withdraw(source, record); }
    // The gateway's own, ahead of every client's.
    bool send(std::span<const uint8_t> record) { return link_.send(record); }
    // The start-up from its first step, as after a reset of the BCU.
    void restart() { restartStartup(); }

    const SerialLink& serialLink() const { return link_; }
    SerialLink& serialLink() { return link_; }
    int32_t bcuInitState() const { return startup_.bcuInitState(); }

private:
    void recordFromBus(std::span<const uint8_t> record) override;
    bool takeOwnAnswer(std::span<const uint8_t> message) override;
    void linkDown() override;
    void linkUp() override { restartStartup(); }
    void bcuReset() override { restartStartup(); }
    void portOpenFailed(const std::string& device) override { events_.portOpenFailed(device); }
    void downlinkFreed(DownlinkSource source) override { events_.downlinkFreed(source); }

    void performInitStep();
    void restartStartup();
    void armStartupRetry();
    void retryStartup();
    void onStartupStep(BcuInitStep step);
    void readBcuAddress();
    bool takeModeAnswer(std::span<const uint8_t> message);
    void bcuAddressUnanswered();

    BusLinkEvents& events_;
    SerialLink link_;
    BcuStartup startup_;
    EventLoop::Timer startupRetry_;
    EventLoop::Timer addressRead_;
    std::optional<BcuAddressRead> addressReading_;
    bool modeRefused_ = false;
};

}  // namespace lintor
