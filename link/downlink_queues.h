#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/event_loop.h"

namespace lintor {

// Who a record towards the bus came from.
struct DownlinkSource {
    enum class Kind : uint8_t { Startup, GatewayClient, ProxyClient, Tunnel };
    Kind kind = Kind::Startup;
    uint64_t id = 0;

    static DownlinkSource startup() { return {}; }
    friend bool operator==(const DownlinkSource&, const DownlinkSource&) = default;
    // For the map of queues.
    friend bool operator<(const DownlinkSource& a, const DownlinkSource& b) {
        return std::pair(a.kind, a.id) < std::pair(b.kind, b.id);
    }
    // "gateway client 3", as the connection's own log lines name it.
    std::string name() const;
};

// What became of a record offered to the downlink.
enum class Admission {
    Refused,        // its source's queue was full
    Queued,         // room for more
    QueuedNowFull,  // the source's last place: hold it back until told
};

// The records waiting for the line: a small queue per source, taken in
// turns. The start-up's go first; then one record of each source that has
// one, round the sources in the order they began waiting, so one writer's
// backlog delays another's record by at most one record per other writer.
// A source whose queue filled up, or that found all queues together full,
// is told when it has room again; a record that waited longer than the
// limit is dropped and counted for its source.
class DownlinkQueues {
public:
    // A client's records; at the bus's 20 telegrams a second, 0.4 s of line.
    static constexpr size_t SOURCE_LIMIT = 8;
    // All sources together, beyond which every source that offers one more
    // record is held back: more than the line carries within any sensible
    // wait, whatever the number of clients.
    static constexpr size_t TOTAL_LIMIT = 512;
    // The start-up's few requests, and a management connection's reset.
    static constexpr size_t STARTUP_LIMIT = 64;
    static constexpr std::chrono::seconds DEFAULT_MAX_WAIT{5};

    struct Taken {
        std::vector<uint8_t> record;
        DownlinkSource source;
    };
    struct Stale {
        DownlinkSource source;
        size_t records;
    };

    void setMaxWait(std::chrono::milliseconds maxWait) { maxWait_ = maxWait; }
    std::chrono::milliseconds maxWait() const { return maxWait_; }

    Admission push(DownlinkSource source, std::span<const uint8_t> record, Clock::time_point now);
    // The next record in turn, after dropping every record that waited
    // longer than the limit.
    std::optional<Taken> next(Clock::time_point now);
    bool empty() const { return waiting_ == 0; }
    size_t size() const { return waiting_; }
    // Drops every waiting record; how many there were.
    size_t clear();
    // Takes back the source's first waiting record with these bytes; false
    // when none waits (it has had its turn, or was dropped).
    bool withdraw(DownlinkSource source, std::span<const uint8_t> record);

    // Since asked last: the sources that were full and have room now, and
    // the records dropped for their age, by source.
    std::vector<DownlinkSource> takeFreed() { return std::exchange(freed_, {}); }
    std::vector<Stale> takeStale() { return std::exchange(stale_, {}); }

private:
    struct Waiting {
        std::vector<uint8_t> record;
        Clock::time_point since;
    };
    // A vector: a deque's first block is half a kilobyte, and a gateway
    // with many clients has many queues of one record.
    struct Queue {
        std::vector<Waiting> records;
    };

    static size_t limitOf(DownlinkSource source);
    void dropStale(Clock::time_point now);
    Waiting pop(Queue& queue);
    // Lets go of the held sources that have room again.
    void release();

    std::map<DownlinkSource, Queue> queues_;
    // The sources other than the start-up with records waiting, in turn.
    std::deque<DownlinkSource> turns_;
    // Told QueuedNowFull and not yet freed.
    std::set<DownlinkSource> held_;
    size_t waiting_ = 0;
    std::chrono::milliseconds maxWait_ = DEFAULT_MAX_WAIT;
    std::vector<DownlinkSource> freed_;
    std::vector<Stale> stale_;
};

}  // namespace lintor
