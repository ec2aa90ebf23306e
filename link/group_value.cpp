#include "link/group_value.h"

#include <algorithm>

#include "link/byte_order.h"
#include "link/emi.h"

namespace lintor {
namespace {

constexpr size_t kApciAt = 1;
constexpr size_t kFirstValueByteAt = 2;
// As many bytes as a number of 32 bits holds.
constexpr size_t kNumberBytesLimit = 4;

}  // namespace

std::vector<uint8_t> groupTpdu(GroupServiceCode service, std::span<const uint8_t> value, bool sixBit) {
    const auto following = sixBit ? value.first(0) : value.first(std::min(value.size(), GROUP_VALUE_BYTES_LIMIT));
    std::vector<uint8_t> tpdu(kFirstValueByteAt + following.size());
    tpdu[0] = GROUP_TPCI;
    tpdu[kApciAt] = static_cast<uint8_t>(service);
    if (sixBit && !value.empty()) tpdu[kApciAt] |= static_cast<uint8_t>(value[0] & emi::APCI_SHORT_DATA_MASK);
    std::ranges::copy(following, tpdu.begin() + kFirstValueByteAt);
    return tpdu;
}

std::optional<GroupServiceCode> groupServiceOf(std::span<const uint8_t> tpdu) {
    if (tpdu.size() <= kApciAt || tpdu[0] != GROUP_TPCI) return std::nullopt;
    const auto service = static_cast<uint8_t>(tpdu[kApciAt] & GROUP_SERVICE_MASK);
    if (service == GROUP_SERVICE_MASK) return std::nullopt;
    return static_cast<GroupServiceCode>(service);
}

GroupData groupDataOf(std::span<const uint8_t> tpdu) {
    if (tpdu.size() < kFirstValueByteAt) return {};
    if (tpdu.size() == kFirstValueByteAt) {
        return {{}, static_cast<uint8_t>(tpdu[kApciAt] & emi::APCI_SHORT_DATA_MASK), true};
    }
    return {tpdu.subspan(kFirstValueByteAt), 0, false};
}

std::optional<uint32_t> groupValueNumber(std::span<const uint8_t> tpdu) {
    const GroupData data = groupDataOf(tpdu);
    if (data.sixBit) return data.sixBitValue;
    if (data.bytes.empty() || data.bytes.size() > kNumberBytesLimit) return std::nullopt;
    return readBigEndian(data.bytes);
}

}  // namespace lintor
