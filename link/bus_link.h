#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

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
};

// The bus link as the rest of the gateway sees it: the serial link and the
// BCU start-up, which it runs again after every outage, every reset of the
// BCU and every step the BCU leaves unacknowledged for STARTUP_RETRY.
class BusLink final : private LinkListener {
public:
    static constexpr std::chrono::milliseconds STARTUP_RETRY{5000};

    BusLink(EventLoop& loop, BusLinkEvents& events, SerialDeviceOpener& opener, std::string devicePath);

    // Opens the device and starts the start-up; without a device, both
    // wait for it.
    void start();
    // A whole record towards the BCU; see SerialLink::send.
    bool send(std::span<const uint8_t> record) { return link_.send(record); }

    const SerialLink& serialLink() const { return link_; }
    SerialLink& serialLink() { return link_; }
    int32_t bcuInitState() const { return startup_.bcuInitState(); }

private:
    void recordFromBus(std::span<const uint8_t> record) override;
    void linkDown() override;
    void linkUp() override { restartStartup(); }
    void bcuReset() override { restartStartup(); }
    void portOpenFailed(const std::string& device) override { events_.portOpenFailed(device); }

    void performInitStep();
    void restartStartup();
    void armStartupRetry();
    void retryStartup();

    BusLinkEvents& events_;
    SerialLink link_;
    BcuStartup startup_;
    EventLoop::Timer startupRetry_;
};

}  // namespace lintor
