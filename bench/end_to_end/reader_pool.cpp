#include "bench/end_to_end/reader_pool.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace lintor::bench {
namespace {

constexpr uint16_t kGroupValueWrite = 0x1002;
constexpr size_t kHeaderSize = 4;

UniqueFd connectTo(uint16_t port) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (!fd.valid() || ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::perror("e2e: connect to the gateway");
        std::exit(1);
    }
    return fd;
}

int64_t ticks(ReaderPool::Clock::time_point at) { return at.time_since_epoch().count(); }

std::optional<ReaderPool::Clock::time_point> fromTicks(int64_t value) {
    if (value == 0) return std::nullopt;
    return ReaderPool::Clock::time_point(ReaderPool::Clock::duration(value));
}

}  // namespace

ReaderPool::ReaderPool(uint16_t port, size_t count) : epoll_(::epoll_create1(EPOLL_CLOEXEC)) {
    stop_ = WakeEvent::create().take();
    clients_.reserve(count);
    for (size_t i = 0; i < count; ++i) clients_.push_back({connectTo(port), {}});
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
    size_t offset = 0;
    while (client.pending.size() - offset >= kHeaderSize) {
        const size_t length = client.pending[offset + 2] | (client.pending[offset + 3] << 8);
        if (client.pending.size() - offset < kHeaderSize + length) break;
        note(std::span(client.pending).subspan(offset, kHeaderSize + length), at);
        offset += kHeaderSize + length;
    }
    client.pending.erase(client.pending.begin(), client.pending.begin() + static_cast<std::ptrdiff_t>(offset));
}

// Record: type (LE), length (LE), then the payload with the destination at 3 and 4.
void ReaderPool::note(std::span<const uint8_t> record, Clock::time_point at) {
    if (record.size() < kHeaderSize + 5 || (record[0] | (record[1] << 8)) != kGroupValueWrite) return;
    const uint16_t groupAddress = static_cast<uint16_t>(record[kHeaderSize + 3] << 8 | record[kHeaderSize + 4]);
    Seen& seen = seen_[groupAddress];
    if (seen.count.fetch_add(1) == 0) seen.first = ticks(at);
    seen.last = ticks(at);
}

void churn(uint16_t port, size_t count) {
    constexpr size_t kBatch = 100;
    for (size_t done = 0; done < count; done += kBatch) {
        std::vector<UniqueFd> batch;
        for (size_t i = done; i < std::min(count, done + kBatch); ++i) batch.push_back(connectTo(port));
        ::usleep(100'000);
    }
}

}  // namespace lintor::bench
