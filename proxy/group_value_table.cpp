#include "proxy/group_value_table.h"

#include "link/bus_message.h"
#include "link/byte_order.h"
#include "link/emi.h"

namespace lintor {
namespace {

// Where a message field lies in a record: the header, then the payload.
constexpr size_t inRecord(size_t messageField) { return kRecordHeaderSize + emi::inPayload(messageField); }
constexpr size_t kNpciAt = inRecord(emi::field::NPCI);
constexpr size_t kApciAt = inRecord(emi::field::APCI);
constexpr size_t kDataAt = inRecord(emi::field::FIRST_DATA);

int32_t decodeValue(std::span<const uint8_t> record, unsigned length) {
    constexpr int32_t kUndecodable = -1;
    if (length == 1) {
        return record.size() > kApciAt ? record[kApciAt] & emi::APCI_SHORT_DATA_MASK : kUndecodable;
    }
    if (length < 2 || length > 5) return kUndecodable;
    // 2 to 5: length - 1 data bytes after the APCI byte.
    const size_t dataBytes = length - 1;
    if (record.size() < kDataAt + dataBytes) return kUndecodable;
    return static_cast<int32_t>(readBigEndian(record.subspan(kDataAt, dataBytes)));
}

}  // namespace

std::optional<GroupValue> decodeGroupValue(std::span<const uint8_t> record) {
    if (record.size() <= kNpciAt) return std::nullopt;
    const RecordHeader header = decodeHeader(record.first<kRecordHeaderSize>());
    if (!isGroupValueRecord(header.type)) return std::nullopt;

    const uint16_t groupAddress = readBigEndian16(record, inRecord(emi::field::DESTINATION));
    const unsigned length = record[kNpciAt] & emi::NPCI_LENGTH_MASK;
    return GroupValue{groupAddress, decodeValue(record, length)};
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
