#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_map>

namespace lintor {

// Who gets an uplink record: everyone, or the one client that is talking to
// the device it comes from.
struct Delivery {
    enum class To : uint8_t { Everyone, GatewayClient, Tunnel };
    To to = To::Everyone;
    uint64_t client = 0;  // a gateway client's id, or a tunnel's channel

    static Delivery everyone() { return {}; }
    bool reaches(To port, uint64_t id) const { return to == To::Everyone || (to == port && client == id); }
    friend bool operator==(const Delivery&, const Delivery&) = default;
};

// Every client shares the BCU's individual address, so a device's answer to
// any of them arrives addressed to the BCU. It belongs to whoever last sent
// something to that device (a transport connection or a single request),
// for as long as they keep talking; group telegrams and broadcasts, and
// telegrams from devices nobody talks to, go to everyone.
class ReplyRouter {
public:
    using Clock = std::chrono::steady_clock;
    // A device closes an idle transport connection after 6 s; answers to a
    // single request come well within that.
    static constexpr std::chrono::seconds IDLE_LIMIT{6};
    // A scan touches a line's 256 addresses; beyond this the oldest goes.
    static constexpr size_t REMOTE_LIMIT = 1024;

    // A MSG_DATA_TO_BCU record a client sent towards the bus.
    void requestSent(Delivery::To port, uint64_t client, std::span<const uint8_t> record, Clock::time_point now);
    // An uplink record (an indication or a confirmation); an answer keeps
    // its conversation alive.
    Delivery route(std::span<const uint8_t> record, Clock::time_point now);
    void clientGone(Delivery::To port, uint64_t client);

    size_t remoteCount() const { return talks_.size(); }

private:
    struct Talk {
        Delivery owner;
        Clock::time_point lastHeard;
    };

    void makeRoom(Clock::time_point now);

    std::unordered_map<uint16_t, Talk> talks_;  // by the device's individual address
};

}  // namespace lintor
