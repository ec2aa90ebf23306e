#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "platform/unique_fd.h"
#include "platform/wake_event.h"

namespace lintor::bench {

// Gateway clients that read records and note, for each group address of a
// group value write, when its first and its last client had it. One thread
// reads them all through epoll, as a client program would.
class ReaderPool {
public:
    using Clock = std::chrono::steady_clock;

    ReaderPool(uint16_t port, size_t count);
    ~ReaderPool();
    ReaderPool(const ReaderPool&) = delete;
    ReaderPool& operator=(const ReaderPool&) = delete;

    size_t size() const { return clients_.size(); }
    // Forgets what was received; call while no telegram is under way.
    void reset();
    size_t receivedBy(uint16_t groupAddress) const { return seen_[groupAddress].count.load(); }
    std::optional<Clock::time_point> lastReceipt(uint16_t groupAddress) const;
    std::optional<Clock::time_point> firstReceipt(uint16_t groupAddress) const;
    // The first client's connection, to send records on.
    int firstFd() const { return clients_.front().fd.get(); }

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
    void note(std::span<const uint8_t> record, Clock::time_point at);

    std::vector<Client> clients_;
    std::array<Seen, 65536> seen_{};
    UniqueFd epoll_;
    WakeEvent stop_;
    std::thread thread_;
};

// Connects and closes this many clients, a batch at a time.
void churn(uint16_t port, size_t count);

}  // namespace lintor::bench
