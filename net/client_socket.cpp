#include "net/client_socket.h"

#include <array>
#include <cerrno>
#include <utility>

#include "net/socket_server.h"
#include "platform/tcp_socket.h"

namespace lintor {

ClientSocket::ClientSocket(EventLoop& loop, UniqueFd fd, uint64_t id, std::string peer, size_t queueCapacity)
    : loop_(loop),
      fd_(std::move(fd)),
      id_(id),
      peer_(std::move(peer)),
      queue_(queueCapacity) {}

void ClientSocket::watch(EventLoop::ReadyCallback onReady) {
    if (!retired_) watch_ = loop_.watch(fd_.get(), interest_, std::move(onReady));
}

SysResult<size_t> ClientSocket::receive(std::span<uint8_t> buffer) { return receiveSome(fd_.get(), buffer); }

ClientSocket::Offer ClientSocket::offer(OutgoingBlock& block) {
    if (retired_) return Offer::Broken;
    const size_t size = block.bytes().size();
    // Nothing to send or to queue; a queue never holds an empty piece.
    if (size == 0) return Offer::Taken;
    if (!queue_.empty()) {
        if (!queue_.fits(size)) {
            if (!stalledSince_) stalledSince_ = loop_.now();
            return Offer::Refused;
        }
        queue_.push(block.shared());
        stalledSince_.reset();
        return Offer::Taken;
    }
    auto sent = sendSome(fd_.get(), block.bytes());
    if (!sent.ok() && sent.error() != EAGAIN) return Offer::Broken;
    const size_t taken = sent.ok() ? sent.value() : 0;
    if (taken < size) {
        // Fits: the queue is empty and no block is larger than the queue.
        if (!queue_.fits(size - taken)) {
            if (!stalledSince_) stalledSince_ = loop_.now();
            return taken == 0 ? Offer::Refused : Offer::Broken;
        }
        queue_.push(block.shared(), taken);
        updateInterest();
    }
    stalledSince_.reset();
    return Offer::Taken;
}

bool ClientSocket::flush() {
    std::array<iovec, SendQueue::MAX_PIECES> pieces;
    while (!queue_.empty()) {
        const size_t count = queue_.front(pieces);
        auto sent = sendPieces(fd_.get(), std::span(pieces).first(count));
        if (!sent.ok()) {
            if (sent.error() == EAGAIN) break;
            return false;
        }
        if (sent.value() == 0) break;
        queue_.consume(sent.value());
    }
    if (queue_.empty()) stalledSince_.reset();
    updateInterest();
    return true;
}

void ClientSocket::markPeerClosed() {
    peerClosed_ = true;
    // End of stream stays readable: watching it would spin. Whether the peer
    // still reads shows when a send fails or a probe goes unanswered.
    updateInterest();
    probePeerSoon(fd_.get());
}

void ClientSocket::holdReading(std::span<const uint8_t> untaken) {
    untaken_.assign(untaken.begin(), untaken.end());
    readingHeld_ = true;
    updateInterest();
}

std::vector<uint8_t> ClientSocket::resumeReading() {
    readingHeld_ = false;
    updateInterest();
    return std::exchange(untaken_, {});
}

void ClientSocket::retire() {
    if (retired_) return;
    retired_ = true;
    watch_.reset();
}

void ClientSocket::updateInterest() {
    if (retired_) return;
    const EventLoop::Interest wanted{.read = !peerClosed_ && !readingHeld_, .write = !queue_.empty()};
    if (wanted.read == interest_.read && wanted.write == interest_.write) return;
    interest_ = wanted;
    watch_.change(interest_);
}

}  // namespace lintor
