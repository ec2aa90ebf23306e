#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "knxip/knxip_protocol.h"
#include "platform/udp_socket.h"

namespace lintor::knxip {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

// One open channel: a tunnel on the link layer or a device management
// connection. Keeps both sequence counters and the messages waiting to go
// to the client, one in flight at a time.
class Connection {
public:
    // Messages waiting for the client beyond this are dropped, oldest first.
    static constexpr size_t QUEUE_LIMIT = 64;
    static constexpr auto HEARTBEAT_TIMEOUT = std::chrono::seconds(CONNECTION_ALIVE_TIME_S);

    enum class Kind { Tunnel, DeviceManagement };
    enum class Arrival { Fresh, Duplicate, OutOfOrder };

    // local: our address the client connected to; its traffic comes from there.
    Connection(Kind kind, uint8_t channel, size_t tunnel, uint16_t address, UdpEndpoint control, UdpEndpoint data,
               uint32_t local, TimePoint now);

    Kind kind() const { return kind_; }
    bool deviceManagement() const { return kind_ == Kind::DeviceManagement; }
    uint8_t channel() const { return channel_; }
    size_t tunnel() const { return tunnel_; }  // 1 for the first tunnel address; 0 for device management
    uint16_t address() const { return address_; }
    const UdpEndpoint& control() const { return control_; }
    const UdpEndpoint& data() const { return data_; }
    uint32_t local() const { return local_; }
    // A datagram from one of the connection's two endpoints: the channel
    // number alone is easily guessed by another program on the host.
    bool isFrom(const UdpEndpoint& peer) const { return peer == control_ || peer == data_; }

    // A request from the client with this sequence number: the expected one
    // is fresh and moves the counter on; the one before it is a repetition.
    Arrival arrive(uint8_t sequence);

    void heartbeat(TimePoint now) { lastHeartbeat_ = now; }
    bool heartbeatOverdue(TimePoint now) const { return now - lastHeartbeat_ >= HEARTBEAT_TIMEOUT; }

    // Queues a cEMI message for the client; false when an old one had to go.
    bool queue(std::vector<uint8_t> cemi);
    // The message to send now with its sequence number, if one is waiting and
    // none is in flight; it stays in flight until acknowledged.
    struct Outgoing {
        std::span<const uint8_t> cemi;
        uint8_t sequence = 0;
    };
    std::optional<Outgoing> startSending(TimePoint now);
    // The client acknowledged this sequence number: true when it was ours
    // and the status says it was taken; an error status counts as none.
    bool acknowledge(uint8_t sequence, uint8_t status);
    // What an overdue acknowledgement asks for: send once more, or give up.
    enum class Retry { None, Resend, GiveUp };
    Retry checkAcknowledgement(TimePoint now);
    // The message in flight, for the resend.
    std::optional<Outgoing> inFlight() const;
    // A resend went unanswered for a while: the data channel is in doubt.
    bool dataConnectionFailing() const { return sends_ > 1; }

    std::optional<TimePoint> nextDeadline() const;

private:
    std::chrono::milliseconds ackTimeout() const;

    Kind kind_;
    uint8_t channel_;
    size_t tunnel_;
    uint16_t address_;
    UdpEndpoint control_;
    UdpEndpoint data_;
    uint32_t local_;
    uint8_t expected_ = 0;   // from the client
    bool received_ = false;  // before the first request nothing can be repeated
    uint8_t sequence_ = 0;   // ours
    TimePoint lastHeartbeat_;
    std::deque<std::vector<uint8_t>> waiting_;
    int sends_ = 0;  // of the message in flight; 0 when none is
    TimePoint ackDeadline_{};
};

}  // namespace lintor::knxip
