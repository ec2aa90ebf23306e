#include "proxy/request_splitter.h"

namespace lintor {
namespace {

// C clients end each request with its zero byte; others with a line end.
bool isSkippedBetweenRequests(char c) { return c == '\0' || c == '\r' || c == '\n'; }

}  // namespace

size_t RequestSplitter::feed(std::span<const uint8_t> bytes, const RequestSink& request, const LossSink& lost) {
    for (size_t taken = 0; taken < bytes.size(); ++taken) {
        const char c = static_cast<char>(bytes[taken]);
        const bool startsRequest = c == '<' && opened_;
        switch (state_) {
        case State::Between:
            if (!isSkippedBetweenRequests(c)) startRequest(c, lost);
            break;
        case State::Collecting:
            if (startsRequest) {
                startRequest(c, lost);
            } else {
                pending_ += c;
            }
            break;
        case State::Discarding:
            ++discarded_;
            if (startsRequest) startRequest(c, lost);
            break;
        }
        if (c == '<') opened_ = true;
        if (state_ == State::Discarding && c == '>') {
            finishDiscarding(lost);
            state_ = State::Between;
        } else if (state_ == State::Collecting && c == '>') {
            const bool more = request(pending_);
            pending_.clear();
            state_ = State::Between;
            if (!more) return taken + 1;
        } else if (state_ == State::Collecting && pending_.size() >= MAX_REQUEST) {
            discarded_ = pending_.size();
            pending_.clear();
            state_ = State::Discarding;
        }
    }
    return bytes.size();
}

void RequestSplitter::startRequest(char first, const LossSink& lost) {
    if (state_ == State::Discarding) {
        --discarded_;  // the '<' belongs to the new request
        finishDiscarding(lost);
    } else if (!pending_.empty()) {
        lost(Loss::Unfinished, pending_.size());
    }
    pending_.assign(1, first);
    opened_ = false;
    state_ = State::Collecting;
}

void RequestSplitter::finishDiscarding(const LossSink& lost) {
    lost(Loss::TooLong, discarded_);
    discarded_ = 0;
}

}  // namespace lintor
