#include "link/reply_router.h"

#include <algorithm>
#include <optional>

#include "link/bus_message.h"
#include "link/emi.h"
#include "link/ldata.h"

namespace lintor {
namespace {

// The device on the far side of an individually addressed telegram; nothing
// for group telegrams and broadcasts.
std::optional<uint16_t> individualDestination(const ldata::Fields& fields) {
    if (fields.routing & ldata::NPCI_GROUP_ADDRESS) return std::nullopt;
    return fields.destination;
}

std::optional<ldata::Fields> uplinkFields(std::span<const uint8_t> record) {
    if (record.size() < kRecordHeaderSize) return std::nullopt;
    return ldata::readFields(record.subspan(kRecordHeaderSize));
}

}  // namespace

void ReplyRouter::requestSent(Delivery::To port, uint64_t client, std::span<const uint8_t> record,
                              Clock::time_point now) {
    if (record.size() <= kRecordHeaderSize + emi::field::CONTROL) return;
    const RecordHeader header = decodeHeader(record.first<kRecordHeaderSize>());
    const auto message = record.subspan(kRecordHeaderSize);
    if (header.type != MSG_DATA_TO_BCU || message[emi::field::MESSAGE_CODE] != emi::L_DATA_REQ) return;
    const auto fields = ldata::readFields(message.subspan(emi::field::CONTROL));
    if (!fields) return;
    const auto device = individualDestination(*fields);
    if (!device) return;
    if (!talks_.contains(*device)) makeRoom(now);
    talks_[*device] = Talk{Delivery{port, client}, now};
}

Delivery ReplyRouter::route(std::span<const uint8_t> record, Clock::time_point now) {
    const auto fields = uplinkFields(record);
    if (!fields || !individualDestination(*fields)) return Delivery::everyone();
    const RecordHeader header = decodeHeader(record.first<kRecordHeaderSize>());
    // A confirmation is of our own request, to the device; an indication
    // comes from it.
    const uint16_t device = header.type == MSG_CONFIRM ? fields->destination : fields->source;
    const auto talk = talks_.find(device);
    if (talk == talks_.end()) return Delivery::everyone();
    if (now - talk->second.lastHeard >= IDLE_LIMIT) {
        talks_.erase(talk);
        return Delivery::everyone();
    }
    talk->second.lastHeard = now;
    return talk->second.owner;
}

void ReplyRouter::clientGone(Delivery::To port, uint64_t client) {
    std::erase_if(talks_, [&](const auto& entry) { return entry.second.owner == Delivery{port, client}; });
}

void ReplyRouter::makeRoom(Clock::time_point now) {
    if (talks_.size() < REMOTE_LIMIT) return;
    std::erase_if(talks_, [&](const auto& entry) { return now - entry.second.lastHeard >= IDLE_LIMIT; });
    if (talks_.size() < REMOTE_LIMIT) return;
    talks_.erase(std::ranges::min_element(talks_, {}, [](const auto& entry) { return entry.second.lastHeard; }));
}

}  // namespace lintor
