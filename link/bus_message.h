#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace lintor {

// Record types. The same records travel through the pipes between the link
// worker and the user-interface thread and over the gateway's TCP port.
inline constexpr uint16_t MSG_RAW_TO_BCU = 0x8000;
inline constexpr uint16_t MSG_DATA_TO_BCU = 0x8010;
// A message in the device's own format (cEMI for a module), framed as it is:
// the start-up's own, never a client's.
inline constexpr uint16_t MSG_NATIVE_TO_BCU = 0x8011;
inline constexpr uint16_t MSG_BCU_ACK = 0x80E5;
inline constexpr uint16_t MSG_CONFIRM = 0x8800;
inline constexpr uint16_t MSG_OTHER_FRAME = 0xFFF0;
inline constexpr uint16_t MSG_UNMATCHED_TELEGRAM = 0xFFFF;
inline constexpr uint16_t MSG_GROUP_VALUE_READ = 0x1000;
inline constexpr uint16_t MSG_GROUP_VALUE_RESPONSE = 0x1001;
inline constexpr uint16_t MSG_GROUP_VALUE_WRITE = 0x1002;
inline constexpr uint16_t MSG_FIRST_TELEGRAM = 0x1000;
inline constexpr uint16_t MSG_LAST_TELEGRAM = 0x10F7;

inline constexpr size_t kRecordHeaderSize = 4;
// Payloads the worker can carry out towards the BCU.
inline constexpr size_t kDownlinkPayloadLimit = 32;
// Uplink records: frames up to 64 bytes give at most 62-byte records.
inline constexpr size_t kUplinkRecordCapacity = 64;

// Header fields are little-endian on the wire and in the pipes.
struct RecordHeader {
    uint16_t type = 0;
    uint16_t length = 0;

    size_t recordSize() const { return kRecordHeaderSize + length; }
    friend bool operator==(const RecordHeader&, const RecordHeader&) = default;
};

constexpr std::array<uint8_t, kRecordHeaderSize> encodeHeader(RecordHeader header) {
    return {static_cast<uint8_t>(header.type & 0xFF), static_cast<uint8_t>(header.type >> 8),
            static_cast<uint8_t>(header.length & 0xFF), static_cast<uint8_t>(header.length >> 8)};
}

constexpr RecordHeader decodeHeader(std::span<const uint8_t, kRecordHeaderSize> bytes) {
    return {static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)), static_cast<uint16_t>(bytes[2] | (bytes[3] << 8))};
}

// A whole record: header, then the payload.
inline std::vector<uint8_t> recordOf(uint16_t type, std::span<const uint8_t> payload) {
    std::vector<uint8_t> record(kRecordHeaderSize + payload.size());
    std::ranges::copy(encodeHeader({type, static_cast<uint16_t>(payload.size())}), record.begin());
    std::ranges::copy(payload, record.begin() + kRecordHeaderSize);
    return record;
}

constexpr bool isTelegramRecord(uint16_t type) { return type >= MSG_FIRST_TELEGRAM && type <= MSG_LAST_TELEGRAM; }

constexpr bool isGroupValueRecord(uint16_t type) {
    return type == MSG_GROUP_VALUE_READ || type == MSG_GROUP_VALUE_RESPONSE || type == MSG_GROUP_VALUE_WRITE;
}

}  // namespace lintor
