#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lintor::bench {

// How a reader speaks to one kind of gateway: what it sends once connected,
// what the gateway answers to that, and where the group writes are in what
// it receives.
class ClientProtocol {
public:
    virtual ~ClientProtocol() = default;
    // Sent once connected; empty where the gateway sends without being asked.
    virtual std::vector<uint8_t> greeting() const = 0;
    // The gateway's answer to the greeting when it takes the client; empty
    // where there is none to wait for.
    virtual std::vector<uint8_t> acceptance() const = 0;
    // The size of the whole message at the front of bytes; nothing while it
    // is incomplete.
    virtual std::optional<size_t> messageSize(std::span<const uint8_t> bytes) const = 0;
    // The destination group address of a group value write; nothing for any
    // other message.
    virtual std::optional<uint16_t> groupWriteDestination(std::span<const uint8_t> message) const = 0;
};

// Our gateway port: records of type and length (little-endian), then payload.
const ClientProtocol& lintorClientProtocol();
// knxd's client port: length and type (big-endian), then payload.
const ClientProtocol& knxdClientProtocol();

}  // namespace lintor::bench
