#include "link/bus_link.h"

#include <utility>

#include "link/bcu_address.h"
#include "link/cemi.h"
#include "link/cemi_property.h"
#include "link/emi.h"
#include "link/individual_address.h"
#include "platform/log.h"

namespace lintor {

BusLink::BusLink(EventLoop& loop, BusLinkEvents& events, SerialDeviceOpener& opener, std::string devicePath,
                 BusInterface interface)
    : events_(events),
      link_(loop, *this, opener, std::move(devicePath)),
      startup_([this](std::span<const uint8_t> record) { return link_.send(record); },
               [this](BcuInitStep step) { onStartupStep(step); }, interface),
      startupRetry_(loop.timer([this] { retryStartup(); })),
      addressRead_(loop.timer([this] { bcuAddressUnanswered(); })) {
    link_.setInterface(interface);
}

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
    if (link_.interface() == BusInterface::Cemi && takeModeAnswer(message)) return true;
    if (!addressRead_.active() || !addressReading_ || !addressReading_->take(message)) return false;
    const auto address = addressReading_->address();
    if (!address) return true;
    addressRead_.stop();
    addressReading_.reset();
    log::notice("the BCU's individual address is " + formatIndividualAddress(*address));
    events_.bcuAddress(*address, true);
    events_.startupStep(BcuInitStep::Connected);
    return true;
}

// The module's answer to the start-up's communication mode: a refusal
// leaves it unable to carry telegrams, so the start-up begins again.
bool BusLink::takeModeAnswer(std::span<const uint8_t> message) {
    const auto answer = cemi::readProperty(message);
    if (!answer || answer->messageCode != cemi::M_PROPWRITE_CON || answer->objectType != cemi::object::CEMI_SERVER ||
        answer->property != cemi::property::COMM_MODE) {
        return false;
    }
    if (answer->count != 0) return true;
    const std::string error =
        answer->data.empty() ? "no code" : "error " + log::hex(std::span<const uint8_t>(answer->data).first(1));
    log::warning("the cEMI module refused the data link layer as its communication mode (" + error +
                 "); starting it again in " + std::to_string(STARTUP_RETRY.count() / 1000) + " s");
    modeRefused_ = true;
    startupRetry_.startAfter(STARTUP_RETRY);
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
    addressReading_.emplace(link_.interface());
    // A refused send means the link is going down, which says so itself.
    for (const auto& request : addressReading_->requests()) {
        if (!link_.send(request)) return;
    }
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
    if (std::exchange(modeRefused_, false)) {
        restartStartup();
        return;
    }
    if (!startup_.awaitingAcknowledgement()) return;
    const auto step = startup_.currentStep();
    log::warning(std::string("BCU did not acknowledge the ") + bcuInitStepName(step) + "; retrying");
    restartStartup();
}

}  // namespace lintor
