#include "bench/end_to_end/reader_pool.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

namespace lintor::bench {
namespace {

// How long a gateway may take to answer a greeting.
constexpr int kAcceptanceTimeoutMs = 5000;
// A gateway may still be letting go of the clients of a pool just closed:
// a refusal counts as its limit only once it persists.
constexpr int kRefusalsTolerated = 5;
constexpr auto kAfterRefusal = std::chrono::milliseconds(200);

UniqueFd connectTo(uint16_t port) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (!fd.valid() || ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::perror("e2e: connect to the gateway");
        return {};
    }
    return fd;
}

bool receiveExactly(int fd, std::span<uint8_t> into) {
    for (size_t have = 0; have < into.size();) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, kAcceptanceTimeoutMs) <= 0) return false;
        const ssize_t n = ::recv(fd, into.data() + have, into.size() - have, 0);
        if (n <= 0) return false;
        have += static_cast<size_t>(n);
    }
    return true;
}

// Connected and greeted; invalid when the gateway did not take the client.
// Waiting for each answer keeps a gateway that accepts slowly from seeing
// a burst that overflows its listen queue.
UniqueFd connectClient(uint16_t port, const ClientProtocol& protocol) {
    UniqueFd fd = connectTo(port);
    const std::vector<uint8_t> greeting = protocol.greeting();
    if (!fd.valid() || greeting.empty()) return fd;
    if (::send(fd.get(), greeting.data(), greeting.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(greeting.size()))
        return {};
    const std::vector<uint8_t> expected = protocol.acceptance();
    std::vector<uint8_t> answer(expected.size());
    if (!receiveExactly(fd.get(), answer) || answer != expected) return {};
    return fd;
}

int64_t ticks(ReaderPool::Clock::time_point at) { return at.time_since_epoch().count(); }

std::optional<ReaderPool::Clock::time_point> fromTicks(int64_t value) {
    if (value == 0) return std::nullopt;
    return ReaderPool::Clock::time_point(ReaderPool::Clock::duration(value));
}

}  // namespace

ReaderPool::ReaderPool(uint16_t port, size_t count, const ClientProtocol& protocol)
    : protocol_(protocol),
      epoll_(::epoll_create1(EPOLL_CLOEXEC)) {
    stop_ = WakeEvent::create().take();
    clients_.reserve(count);
    for (int refusals = 0; clients_.size() < count && refusals < kRefusalsTolerated;) {
        UniqueFd fd = connectClient(port, protocol);
        if (fd.valid()) {
            clients_.push_back({std::move(fd), {}});
            refusals = 0;
            continue;
        }
        ++refusals;
        std::this_thread::sleep_for(kAfterRefusal);
    }
    epoll_event stopEvent{EPOLLIN, {.ptr = nullptr}};
    ::epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, stop_.fd(), &stopEvent);
    for (Client& client : clients_) {
        epoll_event event{EPOLLIN, {.ptr = &client}};
        ::epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, client.fd.get(), &event);
    }
    thread_ = std::thread([this] { run(); });
}

ReaderPool::~ReaderPool() {
    stop_.signal();
    thread_.join();
}

void ReaderPool::reset() {
    for (Seen& seen : seen_) {
        seen.count = 0;
        seen.first = 0;
        seen.last = 0;
    }
}

std::optional<ReaderPool::Clock::time_point> ReaderPool::lastReceipt(uint16_t groupAddress) const {
    return fromTicks(seen_[groupAddress].last.load());
}

std::optional<ReaderPool::Clock::time_point> ReaderPool::firstReceipt(uint16_t groupAddress) const {
    return fromTicks(seen_[groupAddress].first.load());
}

void ReaderPool::run() {
    std::array<epoll_event, 256> events;
    for (;;) {
        const int ready = ::epoll_wait(epoll_.get(), events.data(), static_cast<int>(events.size()), -1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return;
        for (int i = 0; i < ready; ++i) {
            if (events[i].data.ptr == nullptr) return;
            receive(*static_cast<Client*>(events[i].data.ptr));
        }
    }
}

void ReaderPool::receive(Client& client) {
    std::array<uint8_t, 4096> buffer;
    const ssize_t n = ::recv(client.fd.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
    const Clock::time_point at = Clock::now();
    if (n <= 0) {
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            ::epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, client.fd.get(), nullptr);
        return;
    }
    client.pending.insert(client.pending.end(), buffer.begin(), buffer.begin() + n);
    const std::span<const uint8_t> pending(client.pending);
    size_t offset = 0;
    while (const auto size = protocol_.messageSize(pending.subspan(offset))) {
        note(pending.subspan(offset, *size), at);
        offset += *size;
    }
    client.pending.erase(client.pending.begin(), client.pending.begin() + static_cast<std::ptrdiff_t>(offset));
}

void ReaderPool::note(std::span<const uint8_t> message, Clock::time_point at) {
    const auto groupAddress = protocol_.groupWriteDestination(message);
    if (!groupAddress) return;
    Seen& seen = seen_[*groupAddress];
    if (seen.count.fetch_add(1) == 0) seen.first = ticks(at);
    seen.last = ticks(at);
}

size_t churn(uint16_t port, size_t count, const ClientProtocol& protocol) {
    constexpr size_t kBatch = 100;
    size_t taken = 0;
    for (size_t done = 0; done < count; done += kBatch) {
        std::vector<UniqueFd> batch;
        for (size_t i = done; i < std::min(count, done + kBatch); ++i) {
            UniqueFd fd = connectClient(port, protocol);
            if (fd.valid()) batch.push_back(std::move(fd));
        }
        taken += batch.size();
        ::usleep(100'000);
    }
    return taken;
}

}  // namespace lintor::bench
