#include "tools/lintor-tool/address_broadcast.h"

#include <algorithm>

#include "link/byte_order.h"
#include "link/tpdu.h"
#include "tools/lintor-tool/management_telegram.h"

namespace lintor::tool {
namespace {

using Clock = Connection::Clock;

bool answersRead(const BusTelegram& telegram) {
    if (!telegram.isBroadcastFromDevice()) return false;
    const auto pdu = telegram.pdu();
    return pdu && pdu->kind == tpdu::Kind::Data && pdu->apci == tpdu::apci::INDIVIDUAL_ADDRESS_RESPONSE;
}

}  // namespace

std::variant<std::vector<uint16_t>, BusFailure> devicesInProgrammingMode(BusPort& port,
                                                                         std::chrono::milliseconds timeout) {
    const auto request = requestToAll(tpdu::data(tpdu::apci::INDIVIDUAL_ADDRESS_READ));
    if (!port.send(request)) return BusFailure::Lost;
    auto deadline = Clock::now() + timeout;
    bool confirmed = false;
    std::vector<uint16_t> answered;
    for (;;) {
        const BusPort::Next next = port.next(deadline);
        if (std::holds_alternative<BusPort::Lost>(next)) return BusFailure::Lost;
        if (std::holds_alternative<BusPort::TimedOut>(next)) break;
        const auto telegram = readBusTelegram(std::get<std::vector<uint8_t>>(next));
        if (!telegram) continue;
        // Negative only when nothing on the line heard it: then nobody answers
        // either. The answers come within the time-out after it.
        if (telegram->confirms(request) && !confirmed) {
            confirmed = true;
            deadline = Clock::now() + timeout;
        }
        if (!answersRead(*telegram) || std::ranges::count(answered, telegram->view.source) > 0) continue;
        answered.push_back(telegram->view.source);
    }
    if (!confirmed && answered.empty()) return BusFailure::BcuSilent;
    return answered;
}

std::optional<BusFailure> writeIndividualAddress(BusPort& port, uint16_t address, std::chrono::milliseconds timeout) {
    const auto request =
        requestToAll(tpdu::data(tpdu::apci::INDIVIDUAL_ADDRESS_WRITE, {highByte(address), lowByte(address)}));
    if (!port.send(request)) return BusFailure::Lost;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const BusPort::Next next = port.next(deadline);
        if (std::holds_alternative<BusPort::Lost>(next)) return BusFailure::Lost;
        if (std::holds_alternative<BusPort::TimedOut>(next)) return BusFailure::BcuSilent;
        const auto telegram = readBusTelegram(std::get<std::vector<uint8_t>>(next));
        if (!telegram || !telegram->confirms(request)) continue;
        if (telegram->view.confirmFailed) return BusFailure::Absent;
        return std::nullopt;
    }
}

}  // namespace lintor::tool
