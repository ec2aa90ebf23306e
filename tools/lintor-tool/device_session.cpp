#include "tools/lintor-tool/device_session.h"

#include "tools/lintor-tool/management_telegram.h"

namespace lintor::tool {
namespace {

using tpdu::Kind;

// As many as a device's own transport layer repeats after a T_NAK.
constexpr int kRepetitions = 3;

constexpr uint8_t previousSequence(uint8_t sequence) {
    return static_cast<uint8_t>((sequence + tpdu::SEQUENCE_MODULO - 1) % tpdu::SEQUENCE_MODULO);
}

}  // namespace

void DeviceSession::close() {
    if (!opened_) return;
    opened_ = false;
    if (broken_ == BusFailure::Disconnected || broken_ == BusFailure::Lost) return;
    const auto request = requestTo(device_, tpdu::control(Kind::Disconnect));
    if (port_.send(request)) awaitConfirmation(request);
}

bool DeviceSession::awaitConfirmation(std::span<const uint8_t> request) {
    const auto until = deadline();
    for (;;) {
        const BusPort::Next next = port_.next(until);
        if (!std::holds_alternative<std::vector<uint8_t>>(next)) return false;
        const auto telegram = readBusTelegram(std::get<std::vector<uint8_t>>(next));
        if (telegram && telegram->confirms(request)) return true;
    }
}

BusFailure DeviceSession::breakWith(BusFailure failure) {
    broken_ = failure;
    return failure;
}

std::optional<BusFailure> DeviceSession::open() {
    const auto request = requestTo(device_, tpdu::control(Kind::Connect));
    if (!port_.send(request)) return breakWith(BusFailure::Lost);
    const auto until = deadline();
    for (;;) {
        const BusPort::Next next = port_.next(until);
        if (std::holds_alternative<BusPort::TimedOut>(next)) return breakWith(BusFailure::BcuSilent);
        if (std::holds_alternative<BusPort::Lost>(next)) return breakWith(BusFailure::Lost);
        const auto telegram = readBusTelegram(std::get<std::vector<uint8_t>>(next));
        if (!telegram || !telegram->confirms(request)) continue;
        // Nothing answers a T_Connect: the link-layer acknowledgement is all.
        if (telegram->view.confirmFailed) return breakWith(BusFailure::Absent);
        opened_ = true;
        return std::nullopt;
    }
}

std::variant<tpdu::Pdu, BusFailure> DeviceSession::ask(const DeviceRequest& request) {
    if (broken_) return *broken_;
    const auto sent =
        requestTo(device_, tpdu::connectedData(sendSequence_, request.apci, request.data, request.shortNumber));
    if (!port_.send(sent)) return breakWith(BusFailure::Lost);
    Awaited awaited;
    auto until = deadline();
    while (!awaited.acknowledged || !awaited.response) {
        const BusPort::Next next = port_.next(until);
        if (std::holds_alternative<BusPort::Lost>(next)) return breakWith(BusFailure::Lost);
        if (std::holds_alternative<BusPort::TimedOut>(next)) {
            if (!awaited.acknowledged) return breakWith(BusFailure::NoAnswer);
            sendSequence_ = tpdu::nextSequence(sendSequence_);
            return BusFailure::NoAnswer;
        }
        const auto telegram = readBusTelegram(std::get<std::vector<uint8_t>>(next));
        if (!telegram) continue;
        if (telegram->confirms(sent)) {
            if (telegram->view.confirmFailed) return breakWith(BusFailure::NoAnswer);
            if (!awaited.confirmed) until = deadline();
            awaited.confirmed = true;
            continue;
        }
        if (!telegram->isFrom(device_)) continue;
        const auto pdu = telegram->pdu();
        if (!pdu) continue;
        const int repetitions = awaited.repetitions;
        if (const auto failure = take(*pdu, request, sent, awaited)) return breakWith(*failure);
        if (awaited.repetitions != repetitions) until = deadline();
    }
    sendSequence_ = tpdu::nextSequence(sendSequence_);
    return *awaited.response;
}

std::optional<BusFailure> DeviceSession::take(const tpdu::Pdu& pdu, const DeviceRequest& request,
                                              std::span<const uint8_t> sent, Awaited& awaited) {
    switch (pdu.kind) {
    case Kind::Ack:
        if (pdu.sequence == sendSequence_) awaited.acknowledged = true;
        return std::nullopt;
    case Kind::Nak:
        if (pdu.sequence != sendSequence_ || awaited.repetitions == kRepetitions) return BusFailure::NoAnswer;
        ++awaited.repetitions;
        if (!port_.send(sent)) return BusFailure::Lost;
        return std::nullopt;
    case Kind::Disconnect:
        return BusFailure::Disconnected;
    case Kind::ConnectedData:
        if (acceptNumbered(pdu.sequence) && pdu.apci == request.responseApci) awaited.response = pdu;
        return std::nullopt;
    case Kind::Data:
    case Kind::Connect:
        return std::nullopt;
    }
    return std::nullopt;
}

// True for the next telegram in the device's sequence; a repetition of the
// one before means our T_ACK was lost, and is acknowledged again.
bool DeviceSession::acceptNumbered(uint8_t sequence) {
    if (sequence == receiveSequence_) {
        acknowledge(sequence);
        receiveSequence_ = tpdu::nextSequence(receiveSequence_);
        return true;
    }
    if (sequence == previousSequence(receiveSequence_)) acknowledge(sequence);
    return false;
}

void DeviceSession::acknowledge(uint8_t sequence) {
    port_.send(requestTo(device_, tpdu::control(Kind::Ack, sequence)));
}

}  // namespace lintor::tool
