#include "tools/lintor-tool/management_telegram.h"

#include <algorithm>

#include "link/bus_message.h"
#include "link/emi.h"
#include "link/ldata.h"

namespace lintor::tool {
namespace {

constexpr uint16_t kBroadcastAddress = 0x0000;

std::vector<uint8_t> requestRecord(uint16_t destination, bool toGroup, const tpdu::Pdu& pdu) {
    const std::vector<uint8_t> bytes = tpdu::write(pdu);
    const ldata::Fields request{ldata::priorityBits(Priority::System), 0x0000, destination,
                                ldata::routingBits(toGroup, ldata::DEFAULT_HOP_COUNT), bytes};
    return recordOf(MSG_DATA_TO_BCU, ldata::writeMessage(emi::L_DATA_REQ, request));
}

}  // namespace

std::vector<uint8_t> requestTo(uint16_t device, const tpdu::Pdu& pdu) { return requestRecord(device, false, pdu); }

std::vector<uint8_t> requestToAll(const tpdu::Pdu& pdu) { return requestRecord(kBroadcastAddress, true, pdu); }

bool BusTelegram::confirms(std::span<const uint8_t> request) const {
    if (!confirmation || request.size() <= kRecordHeaderSize) return false;
    const auto sent = ldata::readFields(request.subspan(kRecordHeaderSize + emi::field::CONTROL));
    if (!sent) return false;
    const bool toGroup = (sent->routing & ldata::NPCI_GROUP_ADDRESS) != 0;
    return view.groupDestination == toGroup && view.destination == sent->destination &&
           std::ranges::equal(view.tpdu, sent->tpdu);
}

std::optional<BusTelegram> readBusTelegram(std::span<const uint8_t> record) {
    if (record.size() < kRecordHeaderSize) return std::nullopt;
    const uint16_t type = decodeHeader(record.first<kRecordHeaderSize>()).type;
    if (type != MSG_CONFIRM && !isTelegramRecord(type)) return std::nullopt;
    const auto view = viewTelegram(record.subspan(kRecordHeaderSize));
    if (!view) return std::nullopt;
    return BusTelegram{type == MSG_CONFIRM, *view};
}

}  // namespace lintor::tool
