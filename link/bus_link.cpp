#include "link/bus_link.h"

#include "platform/log.h"

namespace lintor {

BusLink::BusLink(EventLoop& loop, BusLinkEvents& events, SerialDeviceOpener& opener, std::string devicePath)
    : events_(events),
      link_(loop, *this, opener, std::move(devicePath)),
      startup_([this](std::span<const uint8_t> record) { return link_.send(record); },
               [this](BcuInitStep step) { events_.startupStep(step); }),
      startupRetry_(loop.timer([this] { retryStartup(); })) {}

void BusLink::start() {
    // Without a device there is nothing to start; linkUp() starts it.
    if (!link_.start()) return;
    performInitStep();
}

void BusLink::recordFromBus(std::span<const uint8_t> record) {
    if (record.size() >= kRecordHeaderSize) {
        const RecordHeader header = decodeHeader(record.first<kRecordHeaderSize>());
        if (header.type == MSG_BCU_ACK) {
            startup_.handleAcknowledgement(header);
            armStartupRetry();
        }
    }
    events_.recordFromBus(record);
}

void BusLink::linkDown() {
    startup_.halt();
    startupRetry_.stop();
    events_.linkDown();
}

void BusLink::performInitStep() {
    startup_.performInitStep();
    armStartupRetry();
}

void BusLink::restartStartup() {
    startup_.restart();
    armStartupRetry();
}

void BusLink::armStartupRetry() {
    if (startup_.awaitingAcknowledgement()) {
        startupRetry_.startAfter(STARTUP_RETRY);
    } else {
        startupRetry_.stop();
    }
}

void BusLink::retryStartup() {
    if (!startup_.awaitingAcknowledgement()) return;
    const auto step = static_cast<BcuInitStep>(startup_.bcuInitState());
    log::warning(std::string("BCU did not acknowledge the ") + bcuInitStepName(step) + "; retrying");
    restartStartup();
}

}  // namespace lintor
