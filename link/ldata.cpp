#include "link/ldata.h"

#include <algorithm>
#include <cassert>

#include "link/byte_order.h"
#include "link/emi.h"

namespace lintor::ldata {
namespace {

using emi::inPayload;

void putWord(std::vector<uint8_t>& message, size_t at, uint16_t word) {
    message[at] = highByte(word);
    message[at + 1] = lowByte(word);
}

}  // namespace

std::optional<Fields> readFields(std::span<const uint8_t> fromControl) {
    constexpr size_t kNpciAt = inPayload(emi::field::NPCI);
    constexpr size_t kTpciAt = inPayload(emi::field::TPCI);
    if (fromControl.size() <= kNpciAt) return std::nullopt;
    const uint8_t npci = fromControl[kNpciAt];
    const size_t tpduSize = tpduSizeOf(npci & NPCI_LENGTH_MASK);
    if (fromControl.size() < kTpciAt + tpduSize) return std::nullopt;
    return Fields{fromControl[inPayload(emi::field::CONTROL)],
                  readBigEndian16(fromControl, inPayload(emi::field::SOURCE)),
                  readBigEndian16(fromControl, inPayload(emi::field::DESTINATION)),
                  static_cast<uint8_t>(npci & NPCI_ROUTING_MASK), fromControl.subspan(kTpciAt, tpduSize)};
}

std::vector<uint8_t> writeMessage(uint8_t messageCode, const Fields& fields) {
    assert(!fields.tpdu.empty() && fields.tpdu.size() <= TPDU_LIMIT);
    std::vector<uint8_t> message(emi::field::TPCI + fields.tpdu.size());
    message[emi::field::MESSAGE_CODE] = messageCode;
    message[emi::field::CONTROL] = fields.control;
    putWord(message, emi::field::SOURCE, fields.source);
    putWord(message, emi::field::DESTINATION, fields.destination);
    message[emi::field::NPCI] =
        static_cast<uint8_t>((fields.routing & NPCI_ROUTING_MASK) | lengthOf(fields.tpdu.size()));
    std::ranges::copy(fields.tpdu, message.begin() + emi::field::TPCI);
    return message;
}

}  // namespace lintor::ldata
