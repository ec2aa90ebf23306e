#include "bench/end_to_end/client_protocol.h"

namespace lintor::bench {
namespace {

uint16_t littleEndian(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

uint16_t bigEndian(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

// Type (2), length of the payload (2), payload; the group value write
// record's payload has the destination at 3.
class LintorClientProtocol final : public ClientProtocol {
public:
    std::vector<uint8_t> greeting() const override { return {}; }
    std::vector<uint8_t> acceptance() const override { return {}; }

    std::optional<size_t> messageSize(std::span<const uint8_t> bytes) const override {
        if (bytes.size() < kHeaderSize) return std::nullopt;
        const size_t size = kHeaderSize + littleEndian(bytes, kLengthAt);
        if (bytes.size() < size) return std::nullopt;
        return size;
    }

    std::optional<uint16_t> groupWriteDestination(std::span<const uint8_t> message) const override {
        if (message.size() < kDestinationAt + 2 || littleEndian(message, 0) != kGroupValueWrite) return std::nullopt;
        return bigEndian(message, kDestinationAt);
    }

private:
    static constexpr size_t kHeaderSize = 4;
    static constexpr size_t kLengthAt = 2;
    static constexpr size_t kDestinationAt = kHeaderSize + 3;
    static constexpr uint16_t kGroupValueWrite = 0x1002;
};

// Length of what follows (2), type (2), payload. A group socket is opened
// with a 3-byte payload whose last byte asks for sending only (0: receive
// too); each group telegram then comes as source (2), destination (2),
// APDU.
class KnxdClientProtocol final : public ClientProtocol {
public:
    std::vector<uint8_t> greeting() const override {
        return {0x00, 0x05, kTypeHigh, kOpenGroupSocket, 0x00, 0x00, kReceiveToo};
    }
    std::vector<uint8_t> acceptance() const override { return {0x00, 0x02, kTypeHigh, kOpenGroupSocket}; }

    std::optional<size_t> messageSize(std::span<const uint8_t> bytes) const override {
        if (bytes.size() < kLengthSize) return std::nullopt;
        const size_t size = kLengthSize + bigEndian(bytes, 0);
        if (bytes.size() < size) return std::nullopt;
        return size;
    }

    std::optional<uint16_t> groupWriteDestination(std::span<const uint8_t> message) const override {
        if (message.size() < kApduAt + 2 || bigEndian(message, kLengthSize) != kGroupPacket) return std::nullopt;
        // The APCI spans the APDU's first two bytes: 00 8x for a write.
        if ((message[kApduAt] & 0x03) != 0 || (message[kApduAt + 1] & 0xC0) != 0x80) return std::nullopt;
        return bigEndian(message, kDestinationAt);
    }

private:
    static constexpr size_t kLengthSize = 2;
    static constexpr uint8_t kTypeHigh = 0x00;
    static constexpr uint8_t kOpenGroupSocket = 0x26;
    static constexpr uint16_t kGroupPacket = 0x0027;
    static constexpr uint8_t kReceiveToo = 0x00;
    static constexpr size_t kDestinationAt = kLengthSize + 2 + 2;
    static constexpr size_t kApduAt = kDestinationAt + 2;
};

}  // namespace

const ClientProtocol& lintorClientProtocol() {
    static const LintorClientProtocol protocol;
    return protocol;
}

const ClientProtocol& knxdClientProtocol() {
    static const KnxdClientProtocol protocol;
    return protocol;
}

}  // namespace lintor::bench
