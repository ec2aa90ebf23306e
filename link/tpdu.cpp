#include "link/tpdu.h"

namespace lintor::tpdu {
namespace {

constexpr uint8_t kApciHighMask = 0x03;
constexpr size_t kDataAt = 2;

uint8_t sequenceBits(uint8_t sequence) {
    return static_cast<uint8_t>((sequence << TPCI_SEQUENCE_SHIFT) & TPCI_SEQUENCE_MASK);
}

std::optional<Kind> controlKind(uint8_t tpci) {
    switch (tpci & ~TPCI_SEQUENCE_MASK & 0xFF) {
    case T_CONNECT:
        return Kind::Connect;
    case T_DISCONNECT:
        return Kind::Disconnect;
    case T_ACK:
        return Kind::Ack;
    case T_NAK:
        return Kind::Nak;
    default:
        return std::nullopt;
    }
}

uint8_t controlByte(Kind kind) {
    switch (kind) {
    case Kind::Connect:
        return T_CONNECT;
    case Kind::Disconnect:
        return T_DISCONNECT;
    case Kind::Ack:
        return T_ACK;
    default:
        return T_NAK;
    }
}

}  // namespace

std::optional<Pdu> read(std::span<const uint8_t> tpdu) {
    if (tpdu.empty()) return std::nullopt;
    const uint8_t tpci = tpdu[0];
    const uint8_t kind = tpci & TPCI_KIND_MASK;
    Pdu pdu;
    pdu.sequence = static_cast<uint8_t>((tpci & TPCI_SEQUENCE_MASK) >> TPCI_SEQUENCE_SHIFT);
    if (kind == TPCI_UNNUMBERED_CONTROL || kind == TPCI_NUMBERED_CONTROL) {
        const auto control = controlKind(tpci);
        if (!control) return std::nullopt;
        pdu.kind = *control;
        if (kind == TPCI_UNNUMBERED_CONTROL) pdu.sequence = 0;
        return pdu;
    }
    if (tpdu.size() < kDataAt) return std::nullopt;
    pdu.kind = kind == TPCI_NUMBERED_DATA ? Kind::ConnectedData : Kind::Data;
    if (pdu.kind == Kind::Data) pdu.sequence = 0;
    pdu.apci = static_cast<uint16_t>((tpci & kApciHighMask) << 8 | tpdu[1]);
    if (carriesShortNumber(pdu.apci & ~SHORT_NUMBER_MASK)) {
        pdu.shortNumber = static_cast<uint8_t>(pdu.apci & SHORT_NUMBER_MASK);
        pdu.apci &= ~SHORT_NUMBER_MASK;
    }
    pdu.data.assign(tpdu.begin() + kDataAt, tpdu.end());
    return pdu;
}

std::vector<uint8_t> write(const Pdu& pdu) {
    if (pdu.kind != Kind::Data && pdu.kind != Kind::ConnectedData) {
        const bool numbered = pdu.kind == Kind::Ack || pdu.kind == Kind::Nak;
        return {static_cast<uint8_t>(controlByte(pdu.kind) | (numbered ? sequenceBits(pdu.sequence) : 0))};
    }
    const uint16_t code = carriesShortNumber(pdu.apci)
                              ? static_cast<uint16_t>(pdu.apci | (pdu.shortNumber & SHORT_NUMBER_MASK))
                              : pdu.apci;
    std::vector<uint8_t> bytes;
    const uint8_t tpci = pdu.kind == Kind::ConnectedData
                             ? static_cast<uint8_t>(TPCI_NUMBERED_DATA | sequenceBits(pdu.sequence))
                             : TPCI_UNNUMBERED_DATA;
    bytes.push_back(static_cast<uint8_t>(tpci | ((code >> 8) & kApciHighMask)));
    bytes.push_back(static_cast<uint8_t>(code & 0xFF));
    bytes.insert(bytes.end(), pdu.data.begin(), pdu.data.end());
    return bytes;
}

Pdu control(Kind kind, uint8_t sequence) { return Pdu{kind, sequence, 0, 0, {}}; }

Pdu data(uint16_t apci, std::vector<uint8_t> bytes, uint8_t shortNumber) {
    return Pdu{Kind::Data, 0, apci, shortNumber, std::move(bytes)};
}

Pdu connectedData(uint8_t sequence, uint16_t apci, std::vector<uint8_t> bytes, uint8_t shortNumber) {
    return Pdu{Kind::ConnectedData, sequence, apci, shortNumber, std::move(bytes)};
}

}  // namespace lintor::tpdu
