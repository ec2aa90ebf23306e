#include "link/bus_link.h"

#include "link/bcu_address.h"
#include "link/emi.h"
#include "link/individual_address.h"
#include "platform/log.h"

namespace lintor {

BusLink::BusLink(EventLoop& loop, BusLinkEvents& events, SerialDeviceOpener& opener, std::string devicePath)
    : events_(events),
      link_(loop, *this, opener, std::move(devicePath)),
      startup_([this](std::span<const uint8_t> record) { return link_.send(record); },
               [this](BcuInitStep step) { onStartupStep(step); }),
      startupRetry_(loop.timer([this] { retryStartup(); })),
      addressRead_(loop.timer([this] { bcuAddressUnanswered(); })) {}

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

bool BusLink::takeOwnAnswer(std::span<const uint8_t> message) {
    if (!addressRead_.active()) return false;
    const auto address = bcuAddressOf(message);
    if (!address) return false;
    addressRead_.stop();
    log::notice("the BCU's individual address is " + formatIndividualAddress(*address));
    events_.bcuAddress(*address, true);
    events_.startupStep(BcuInitStep::Connected);
    return true;
}

void BusLink::linkDown() {
    startup_.halt();
    startupRetry_.stop();
    addressRead_.stop();
    events_.linkDown();
}

// Connected is told once the BCU's address is known: tunnels that open at
// once take it.
void BusLink::onStartupStep(BcuInitStep step) {
    if (step == BcuInitStep::Connected) {
        readBcuAddress();
        return;
    }
    events_.startupStep(step);
}

void BusLink::readBcuAddress() {
    // A refused send means the link is going down, which says so itself.
    if (!link_.send(bcuAddressRequestRecord())) return;
    addressRead_.startAfter(ADDRESS_READ_TIMEOUT);
}

void BusLink::bcuAddressUnanswered() {
    log::warning("the BCU did not answer the read of its individual address: " +
                 formatIndividualAddress(emi::FACTORY_INDIVIDUAL_ADDRESS) + " assumed, as a BCU has from the factory");
    events_.bcuAddress(emi::FACTORY_INDIVIDUAL_ADDRESS, false);
    events_.startupStep(BcuInitStep::Connected);
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
