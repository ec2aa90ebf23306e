#include "link/downlink_queues.h"

#include <algorithm>

namespace lintor {

std::string DownlinkSource::name() const {
    switch (kind) {
    case Kind::Startup:
        return "the BCU start-up";
    case Kind::GatewayClient:
        return "gateway client " + std::to_string(id);
    case Kind::ProxyClient:
        return "proxy client " + std::to_string(id);
    case Kind::Tunnel:
        return "KNXnet/IP channel " + std::to_string(id);
    }
    return "source " + std::to_string(id);
}

size_t DownlinkQueues::limitOf(DownlinkSource source) {
    return source.kind == DownlinkSource::Kind::Startup ? STARTUP_LIMIT : SOURCE_LIMIT;
}

Admission DownlinkQueues::push(DownlinkSource source, std::span<const uint8_t> record, Clock::time_point now) {
    Queue& queue = queues_[source];
    const size_t limit = limitOf(source);
    if (queue.records.size() >= limit) {
        held_.insert(source);
        return Admission::Refused;
    }
    if (queue.records.empty() && source.kind != DownlinkSource::Kind::Startup) turns_.push_back(source);
    queue.records.push_back({{record.begin(), record.end()}, now});
    ++waiting_;
    if (queue.records.size() < limit && (waiting_ < TOTAL_LIMIT || source == DownlinkSource::startup())) {
        return Admission::Queued;
    }
    held_.insert(source);
    return Admission::QueuedNowFull;
}

std::optional<DownlinkQueues::Taken> DownlinkQueues::next(Clock::time_point now) {
    dropStale(now);
    std::optional<Taken> taken;
    const auto startup = queues_.find(DownlinkSource::startup());
    if (startup != queues_.end()) {
        taken = Taken{pop(startup->second).record, startup->first};
        if (startup->second.records.empty()) queues_.erase(startup);
    } else if (!turns_.empty()) {
        const DownlinkSource source = turns_.front();
        turns_.pop_front();
        const auto queue = queues_.find(source);
        taken = Taken{pop(queue->second).record, source};
        if (queue->second.records.empty()) {
            queues_.erase(queue);
        } else {
            turns_.push_back(source);
        }
    }
    release();
    return taken;
}

DownlinkQueues::Waiting DownlinkQueues::pop(Queue& queue) {
    Waiting waiting = std::move(queue.records.front());
    queue.records.erase(queue.records.begin());
    --waiting_;
    return waiting;
}

void DownlinkQueues::release() {
    if (held_.empty() || waiting_ >= TOTAL_LIMIT) return;
    for (auto it = held_.begin(); it != held_.end();) {
        const auto queue = queues_.find(*it);
        if (queue != queues_.end() && queue->second.records.size() >= limitOf(*it)) {
            ++it;
            continue;
        }
        freed_.push_back(*it);
        it = held_.erase(it);
    }
}

// The oldest of each queue is at its front.
void DownlinkQueues::dropStale(Clock::time_point now) {
    for (auto it = queues_.begin(); it != queues_.end();) {
        auto& [source, queue] = *it;
        size_t dropped = 0;
        while (!queue.records.empty() && now - queue.records.front().since > maxWait_) {
            pop(queue);
            ++dropped;
        }
        if (dropped > 0) stale_.push_back({source, dropped});
        if (!queue.records.empty()) {
            ++it;
            continue;
        }
        std::erase(turns_, source);
        it = queues_.erase(it);
    }
}

bool DownlinkQueues::withdraw(DownlinkSource source, std::span<const uint8_t> record) {
    const auto queue = queues_.find(source);
    if (queue == queues_.end()) return false;
    auto& records = queue->second.records;
    const auto match =
        std::ranges::find_if(records, [&](const Waiting& w) { return std::ranges::equal(w.record, record); });
    if (match == records.end()) return false;
    records.erase(match);
    --waiting_;
    if (records.empty()) {
        std::erase(turns_, source);
        queues_.erase(queue);
    }
    release();
    return true;
}

size_t DownlinkQueues::clear() {
    const size_t dropped = waiting_;
    queues_.clear();
    turns_.clear();
    waiting_ = 0;
    release();
    return dropped;
}

}  // namespace lintor
