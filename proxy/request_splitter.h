#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace lintor {

// Cuts one proxy client's byte stream into request texts. A request runs
// from a '<' (or from any other byte that is not NUL, CR or LF after the
// previous request) up to and including its '>'. Such a stray byte belongs
// to the request: its first '<' does not start a new one, so " <SetGA ...>"
// is one text, which does not begin with "<SetGA" and is dropped as a whole.
// Any later '<' starts a new request: the unfinished bytes before it are
// dropped. At most MAX_REQUEST bytes of an unfinished request are held; a
// longer one is discarded up to its '>' or the next '<'.
//
//   between --NUL/CR/LF--> between      between --other--> collecting
//   collecting --'>'--> between (request handed on)
//   collecting --'<', text has had one--> collecting (what came before dropped)
//   collecting --'<', text has had none--> collecting (the '<' kept)
//   collecting --MAX_REQUEST bytes--> discarding --'>'--> between,
//                                     --'<', text has had one--> collecting
class RequestSplitter {
public:
    static constexpr size_t MAX_REQUEST = 1500;

    enum class Loss {
        Unfinished,  // a new '<' came before the '>'
        TooLong,     // no '>' within MAX_REQUEST bytes
    };
    // False: take no more for now.
    using RequestSink = std::function<bool(std::string_view text)>;
    // Bytes that were not part of any request handed on. Blanks between
    // requests are not reported.
    using LossSink = std::function<void(Loss loss, size_t bytes)>;

    // How many of the bytes were taken: all of them, or those up to the '>'
    // after which the sink wanted no more.
    size_t feed(std::span<const uint8_t> bytes, const RequestSink& request, const LossSink& lost);

private:
    enum class State { Between, Collecting, Discarding };

    void startRequest(char first, const LossSink& lost);
    void finishDiscarding(const LossSink& lost);

    State state_ = State::Between;
    // Whether the text being read has had its '<': only then does a '<'
    // start the next request.
    bool opened_ = false;
    std::string pending_;
    size_t discarded_ = 0;
};

}  // namespace lintor
