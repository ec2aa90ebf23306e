#include "proxy/group_value_table.h"

#include "link/bus_message.h"
#include "link/emi.h"

namespace lintor {
namespace {

// Record offsets: the header, then the telegram payload.
constexpr size_t kNpciAt = kRecordHeaderSize + emi::payload::NPCI;
constexpr size_t kApciAt = kRecordHeaderSize + emi::payload::APCI;
constexpr size_t kDataAt = kRecordHeaderSize + emi::payload::FIRST_DATA;

int32_t bigEndian(std::span<const uint8_t> bytes) {
    uint32_t value = 0;
    for (const uint8_t b : bytes) value = value << 8 | b;
    return static_cast<int32_t>(value);
}

int32_t decodeValue(std::span<const uint8_t> record, unsigned length) {
    constexpr int32_t kUndecodable = -1;
    if (length == 1) {
        return record.size() > kApciAt ? record[kApciAt] & emi::APCI_SHORT_DATA_MASK : kUndecodable;
    }
    if (length < 2 || length > 5) return kUndecodable;
    // 2 to 5: length - 1 data bytes after the APCI byte.
    const size_t dataBytes = length - 1;
    if (record.size() < kDataAt + dataBytes) return kUndecodable;
    return bigEndian(record.subspan(kDataAt, dataBytes));
}

}  // namespace

std::optional<GroupValue> decodeGroupValue(std::span<const uint8_t> record) {
    if (record.size() <= kNpciAt) return std::nullopt;
    const RecordHeader header = decodeHeader(record.first<kRecordHeaderSize>());
    if (!isGroupValueRecord(header.type)) return std::nullopt;

    const auto groupAddress = static_cast<uint16_t>(record[kRecordHeaderSize + emi::payload::DESTINATION_HIGH] << 8 |
                                                    record[kRecordHeaderSize + emi::payload::DESTINATION_LOW]);
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
