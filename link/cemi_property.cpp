#include "link/cemi_property.h"

#include <algorithm>

#include "link/byte_order.h"

namespace lintor::cemi {
namespace {

constexpr size_t kObjectTypeAt = 1;
constexpr size_t kInstanceAt = 3;
constexpr size_t kPropertyAt = 4;
constexpr size_t kCountAndIndexAt = 5;
constexpr size_t kDataAt = 7;
constexpr unsigned kCountShift = 12;

}  // namespace

std::optional<PropertyMessage> readProperty(std::span<const uint8_t> message) {
    if (message.size() < kDataAt) return std::nullopt;
    const uint16_t countAndIndex = readBigEndian16(message, kCountAndIndexAt);
    PropertyMessage read;
    read.messageCode = message[0];
    read.objectType = readBigEndian16(message, kObjectTypeAt);
    read.instance = message[kInstanceAt];
    read.property = message[kPropertyAt];
    read.count = static_cast<uint8_t>(countAndIndex >> kCountShift);
    read.startIndex = countAndIndex & PROPERTY_START_LIMIT;
    read.data.assign(message.begin() + kDataAt, message.end());
    return read;
}

std::vector<uint8_t> writeProperty(const PropertyMessage& message) {
    const auto countAndIndex = static_cast<uint16_t>((message.count & PROPERTY_COUNT_LIMIT) << kCountShift |
                                                     (message.startIndex & PROPERTY_START_LIMIT));
    std::vector<uint8_t> bytes(kDataAt + message.data.size());
    bytes[0] = message.messageCode;
    bytes[kObjectTypeAt] = highByte(message.objectType);
    bytes[kObjectTypeAt + 1] = lowByte(message.objectType);
    bytes[kInstanceAt] = message.instance;
    bytes[kPropertyAt] = message.property;
    bytes[kCountAndIndexAt] = highByte(countAndIndex);
    bytes[kCountAndIndexAt + 1] = lowByte(countAndIndex);
    std::ranges::copy(message.data, bytes.begin() + kDataAt);
    return bytes;
}

PropertyMessage answerOf(const PropertyMessage& request, uint8_t answerCode, std::vector<uint8_t> elements) {
    PropertyMessage answer = request;
    answer.messageCode = answerCode;
    answer.data = std::move(elements);
    return answer;
}

PropertyMessage negativeAnswerOf(const PropertyMessage& request, uint8_t answerCode, uint8_t error) {
    PropertyMessage answer = answerOf(request, answerCode, {error});
    answer.count = 0;
    return answer;
}

}  // namespace lintor::cemi
