#include "proxy/group_value_table.h"

#include "link/bus_message.h"
#include "link/byte_order.h"
#include "link/emi.h"
#include "link/group_value.h"
#include "link/ldata.h"

namespace lintor {
namespace {

constexpr size_t kDestinationAt = emi::inPayload(emi::field::DESTINATION);
constexpr size_t kNpciAt = emi::inPayload(emi::field::NPCI);
constexpr int32_t kUndecodable = -1;

}  // namespace

std::optional<GroupValue> decodeGroupValue(std::span<const uint8_t> record) {
    if (record.size() <= kRecordHeaderSize + kNpciAt) return std::nullopt;
    const RecordHeader header = decodeHeader(record.first<kRecordHeaderSize>());
    if (!isGroupValueRecord(header.type)) return std::nullopt;

    // A record too short for the TPDU its NPCI gives, or a TPDU that holds no
    // number (length 0, or above four value bytes), gives -1.
    const auto payload = record.subspan(kRecordHeaderSize);
    const auto fields = ldata::readFields(payload);
    const auto value = fields ? groupValueNumber(fields->tpdu) : std::nullopt;
    return GroupValue{readBigEndian16(payload, kDestinationAt), value ? static_cast<int32_t>(*value) : kUndecodable};
}

bool GroupValueTable::updateGroupValue(uint16_t groupAddress, int32_t value) {
    uint16_t index = count_;
    for (uint16_t i = 0; i < count_; ++i) {
        if (entries_[i].groupAddress == groupAddress) index = i;
    }
    if (index == count_) {
        if (count_ == CAPACITY) return false;
        ++count_;
    }
    entries_[index] = {groupAddress, value, 1, 0};
    return true;
}

}  // namespace lintor
