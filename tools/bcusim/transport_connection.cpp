#include "tools/bcusim/transport_connection.h"

namespace lintor::bcusim {

using tpdu::Kind;

TransportConnection::Effects TransportConnection::receive(uint16_t source, const tpdu::Pdu& pdu,
                                                          Clock::time_point now) {
    if (pdu.kind == Kind::Connect && (!partner_ || *partner_ == source)) {
        drop();
        partner_ = source;
        idleUntil_ = now + IDLE_TIMEOUT;
        return {};
    }
    if (partner_ && *partner_ == source) return fromPartner(pdu, now);
    // A stray disconnect needs no answer; everything else is told there is
    // no connection.
    if (pdu.kind == Kind::Disconnect) return {};
    return {{disconnectTo(source)}, {}};
}

TransportConnection::Effects TransportConnection::fromPartner(const tpdu::Pdu& pdu, Clock::time_point now) {
    Effects effects;
    idleUntil_ = now + IDLE_TIMEOUT;
    switch (pdu.kind) {
    case Kind::Disconnect:
        drop();
        return effects;
    case Kind::ConnectedData:
        receiveData(pdu, effects);
        return effects;
    case Kind::Ack:
    case Kind::Nak:
        receiveAcknowledgement(pdu, now, effects);
        return effects;
    case Kind::Connect:
    case Kind::Data:
        return effects;
    }
    return effects;
}

void TransportConnection::receiveData(const tpdu::Pdu& pdu, Effects& effects) {
    if (pdu.sequence == receiveSequence_) {
        effects.frames.push_back(toPartner(tpdu::control(Kind::Ack, pdu.sequence)));
        effects.apdus.push_back(pdu);
        receiveSequence_ = tpdu::nextSequence(receiveSequence_);
        return;
    }
    const bool repetition = tpdu::nextSequence(pdu.sequence) == receiveSequence_;
    effects.frames.push_back(toPartner(tpdu::control(repetition ? Kind::Ack : Kind::Nak, pdu.sequence)));
}

void TransportConnection::receiveAcknowledgement(const tpdu::Pdu& pdu, Clock::time_point now, Effects& effects) {
    if (!awaitingAck_ || pdu.sequence != sendSequence_) {
        effects.frames = disconnect();
        return;
    }
    if (pdu.kind == Kind::Nak) {
        effects.frames = repeatOrGiveUp(now);
        return;
    }
    awaitingAck_ = false;
    waiting_.pop_front();
    sendSequence_ = tpdu::nextSequence(sendSequence_);
    effects.frames = sendNext(now);
}

std::vector<TransportConnection::Output> TransportConnection::send(const tpdu::Pdu& apdu, Clock::time_point now) {
    if (!partner_) return {};
    waiting_.push_back(apdu);
    return sendNext(now);
}

std::vector<TransportConnection::Output> TransportConnection::sendNext(Clock::time_point now) {
    if (awaitingAck_ || waiting_.empty()) return {};
    awaitingAck_ = true;
    repeats_ = 0;
    repeatAt_ = now + ACK_TIMEOUT;
    idleUntil_ = now + IDLE_TIMEOUT;
    const tpdu::Pdu& apdu = waiting_.front();
    return {toPartner(tpdu::connectedData(sendSequence_, apdu.apci, apdu.data, apdu.shortNumber))};
}

std::vector<TransportConnection::Output> TransportConnection::repeatOrGiveUp(Clock::time_point now) {
    if (repeats_ >= MAX_REPEATS) return disconnect();
    ++repeats_;
    repeatAt_ = now + ACK_TIMEOUT;
    idleUntil_ = now + IDLE_TIMEOUT;
    const tpdu::Pdu& apdu = waiting_.front();
    return {toPartner(tpdu::connectedData(sendSequence_, apdu.apci, apdu.data, apdu.shortNumber))};
}

std::optional<TransportConnection::Clock::time_point> TransportConnection::deadline() const {
    if (!partner_) return std::nullopt;
    return awaitingAck_ ? std::min(repeatAt_, idleUntil_) : idleUntil_;
}

std::vector<TransportConnection::Output> TransportConnection::checkTimeouts(Clock::time_point now) {
    if (!partner_) return {};
    if (awaitingAck_ && now >= repeatAt_) return repeatOrGiveUp(now);
    if (now >= idleUntil_) return disconnect();
    return {};
}

std::vector<TransportConnection::Output> TransportConnection::disconnect() {
    const uint16_t partner = *partner_;
    drop();
    return {disconnectTo(partner)};
}

TransportConnection::Output TransportConnection::disconnectTo(uint16_t address) {
    return {address, tpdu::control(Kind::Disconnect)};
}

void TransportConnection::drop() {
    partner_.reset();
    sendSequence_ = 0;
    receiveSequence_ = 0;
    waiting_.clear();
    awaitingAck_ = false;
    repeats_ = 0;
}

}  // namespace lintor::bcusim
