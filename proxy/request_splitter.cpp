#include "proxy/request_splitter.h"

namespace lintor {
namespace {

// C clients end each request with its zero byte; others with a line end.
bool isSkippedBetweenRequests(char c) { return c == '\0' || c == '\r' || c == '\n'; }

// What may stand between requests without being worth a log line.
bool isBlank(std::string_view text) {
    return text.find_first_not_of(std::string_view(" \t\r\n\0", 5)) == std::string_view::npos;
}

}  // namespace

void RequestSplitter::feed(std::span<const uint8_t> bytes, const RequestSink& request, const LossSink& lost) {
    for (const uint8_t byte : bytes) {
        const char c = static_cast<char>(byte);
        switch (state_) {
        case State::Between:
            if (!isSkippedBetweenRequests(c)) startRequest(c, lost);
            break;
        case State::Collecting:
            if (c == '<') {
                startRequest(c, lost);
            } else {
                pending_ += c;
            }
            break;
        case State::Discarding:
            ++discarded_;
            if (c == '<') startRequest(c, lost);
            break;
        }
        if (state_ == State::Discarding && c == '>') {
            finishDiscarding(lost);
            state_ = State::Between;
        } else if (state_ == State::Collecting && c == '>') {
            request(pending_);
            pending_.clear();
            state_ = State::Between;
        } else if (state_ == State::Collecting && pending_.size() >= MAX_REQUEST) {
            discarded_ = pending_.size();
            pending_.clear();
            state_ = State::Discarding;
        }
    }
}

void RequestSplitter::startRequest(char first, const LossSink& lost) {
    if (state_ == State::Discarding) {
        --discarded_;  // the '<' belongs to the new request
        finishDiscarding(lost);
    } else if (!pending_.empty() && !isBlank(pending_)) {
        lost(Loss::Unfinished, pending_.size());
    }
    pending_.assign(1, first);
    state_ = State::Collecting;
}

void RequestSplitter::finishDiscarding(const LossSink& lost) {
    lost(Loss::TooLong, discarded_);
    discarded_ = 0;
}

}  // namespace lintor
