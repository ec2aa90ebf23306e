#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "bench/end_to_end/client_protocol.h"
#include "platform/unique_fd.h"
#include "platform/wake_event.h"

namespace lintor::bench {

// Gateway clients that read messages and note, for each group address of a
// group value write, when its first and its last client had it. One thread
// reads them all through epoll, as a client program would.
class ReaderPool {
public:
    using Clock = std::chrono::steady_clock;

    // Connects up to count clients, one after the other; stops once the
    // gateway keeps refusing them.
    ReaderPool(uint16_t port, size_t count, const ClientProtocol& protocol);
    ~ReaderPool();
    ReaderPool(const ReaderPool&) = delete;
    ReaderPool& operator=(const ReaderPool&) = delete;

    // The clients the gateway took.
    size_t size() const { return clients_.size(); }
    // Forgets what was received; call while no telegram is under way.
    void reset();
    size_t receivedBy(uint16_t groupAddress) const { return seen_[groupAddress].count.load(); }
    std::optional<Clock::time_point> lastReceipt(uint16_t groupAddress) const;
    std::optional<Clock::time_point> firstReceipt(uint16_t groupAddress) const;
    // The first client's connection, to send records on.
    int firstFd() const { return clients_.empty() ? -1 : clients_.front().fd.get(); }

private:
    struct Client {
        UniqueFd fd;
        std::vector<uint8_t> pending;
    };
    struct Seen {
        std::atomic<uint32_t> count{0};
        std::atomic<int64_t> first{0};
        std::atomic<int64_t> last{0};
    };

    void run();
    void receive(Client& client);
    void note(std::span<const uint8_t> message, Clock::time_point at);

    const ClientProtocol& protocol_;
    std::vector<Client> clients_;
    std::array<Seen, 65536> seen_{};
    UniqueFd epoll_;
    WakeEvent stop_;
    std::thread thread_;
};

// Connects and closes this many clients, a batch at a time; returns how many
// the gateway took.
size_t churn(uint16_t port, size_t count, const ClientProtocol& protocol);

}  // namespace lintor::bench
