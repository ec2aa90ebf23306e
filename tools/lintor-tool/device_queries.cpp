#include "tools/lintor-tool/device_queries.h"

#include <algorithm>

#include "link/byte_order.h"

namespace lintor::tool {
namespace {

using namespace tpdu;

constexpr uint8_t kMaskVersionDescriptor = 0;
constexpr size_t kMaskVersionSize = 2;

// A_Memory_*: address high and low, then the bytes.
constexpr size_t kMemoryHeaderSize = 2;

// A_PropertyValue_*: object index, property id, then four bits of count and
// twelve of start index; then the elements.
constexpr size_t kPropertyHeaderSize = 4;
constexpr uint8_t kOneElement = 1;
constexpr uint16_t kFirstElement = 1;
constexpr int kCountShift = 4;
constexpr uint8_t kStartHighMask = 0x0F;

}  // namespace

DeviceRequest maskVersionRequest() {
    return {apci::DEVICE_DESCRIPTOR_READ, kMaskVersionDescriptor, {}, apci::DEVICE_DESCRIPTOR_RESPONSE};
}

std::optional<uint16_t> maskVersionIn(const Pdu& response) {
    if (response.shortNumber != kMaskVersionDescriptor || response.data.size() != kMaskVersionSize) {
        return std::nullopt;
    }
    return readBigEndian16(response.data, 0);
}

DeviceRequest memoryRequest(uint16_t address, uint8_t count) {
    return {apci::MEMORY_READ, count, {highByte(address), lowByte(address)}, apci::MEMORY_RESPONSE};
}

std::optional<std::vector<uint8_t>> memoryIn(const Pdu& response, uint16_t address, uint8_t count) {
    if (response.shortNumber != count || response.data.size() != kMemoryHeaderSize + count ||
        readBigEndian16(response.data, 0) != address) {
        return std::nullopt;
    }
    return std::vector<uint8_t>(response.data.begin() + kMemoryHeaderSize, response.data.end());
}

DeviceRequest propertyRequest(uint8_t propertyId) {
    const auto countAndStart =
        static_cast<uint8_t>(kOneElement << kCountShift | ((kFirstElement >> 8) & kStartHighMask));
    return {apci::PROPERTY_VALUE_READ,
            0,
            {property::DEVICE_OBJECT_INDEX, propertyId, countAndStart, lowByte(kFirstElement)},
            apci::PROPERTY_VALUE_RESPONSE};
}

std::optional<std::vector<uint8_t>> propertyIn(const Pdu& response, uint8_t propertyId) {
    if (response.data.size() <= kPropertyHeaderSize) return std::nullopt;
    const std::span<const uint8_t> header = std::span(response.data).first(kPropertyHeaderSize);
    const bool asked = header[0] == property::DEVICE_OBJECT_INDEX && header[1] == propertyId &&
                       header[2] >> kCountShift == kOneElement && (header[2] & kStartHighMask) == 0 &&
                       header[3] == kFirstElement;
    if (!asked) return std::nullopt;
    return std::vector<uint8_t>(response.data.begin() + kPropertyHeaderSize, response.data.end());
}

}  // namespace lintor::tool
