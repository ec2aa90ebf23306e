#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "link/tpdu.h"

namespace lintor::bcusim {

// A device's end of connection-oriented transport, one partner at a time.
// No I/O and no clock: the caller says what arrived and what time it is.
//
//   closed  T_Connect                      -> open, both sequence numbers 0
//   open    T_Connect from the partner     -> open afresh
//   open    T_Connect from another         -> T_Disconnect to that one
//   open    T_Disconnect from the partner  -> closed
//   open    data with the expected number  -> T_ACK, APDU up, expect the next
//   open    data with the previous number  -> T_ACK again (a repetition)
//   open    data with any other number     -> T_NAK
//   open    6 s without traffic            -> T_Disconnect, closed
//   sending no T_ACK in 3 s, or a T_NAK    -> the data again, at most 3 times,
//                                             then T_Disconnect, closed
//   sending T_ACK or T_NAK, wrong number   -> T_Disconnect, closed
//   any     connected TPDU from a stranger -> T_Disconnect to the stranger
class TransportConnection {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::seconds ACK_TIMEOUT{3};
    static constexpr std::chrono::seconds IDLE_TIMEOUT{6};
    static constexpr int MAX_REPEATS = 3;

    struct Output {
        uint16_t destination = 0;
        tpdu::Pdu pdu;
        friend bool operator==(const Output&, const Output&) = default;
    };

    struct Effects {
        std::vector<Output> frames;
        // Connected data for the application layer, in order.
        std::vector<tpdu::Pdu> apdus;
    };

    // A connection-oriented TPDU (connect, disconnect, connected data,
    // acknowledgement) from source.
    Effects receive(uint16_t source, const tpdu::Pdu& pdu, Clock::time_point now);
    // An answer to the partner; it waits while an earlier one is unacknowledged.
    std::vector<Output> send(const tpdu::Pdu& apdu, Clock::time_point now);

    std::optional<Clock::time_point> deadline() const;
    std::vector<Output> checkTimeouts(Clock::time_point now);

    // Forgets the connection without a word, as a restart does.
    void drop();
    std::optional<uint16_t> partner() const { return partner_; }

private:
    Effects fromPartner(const tpdu::Pdu& pdu, Clock::time_point now);
    void receiveData(const tpdu::Pdu& pdu, Effects& effects);
    void receiveAcknowledgement(const tpdu::Pdu& pdu, Clock::time_point now, Effects& effects);
    std::vector<Output> repeatOrGiveUp(Clock::time_point now);
    std::vector<Output> sendNext(Clock::time_point now);
    std::vector<Output> disconnect();
    Output toPartner(tpdu::Pdu pdu) const { return {*partner_, std::move(pdu)}; }
    static Output disconnectTo(uint16_t address);

    std::optional<uint16_t> partner_;
    uint8_t sendSequence_ = 0;
    uint8_t receiveSequence_ = 0;
    std::deque<tpdu::Pdu> waiting_;  // the front is on its way once awaitingAck_
    bool awaitingAck_ = false;
    int repeats_ = 0;
    Clock::time_point idleUntil_;
    Clock::time_point repeatAt_;
};

}  // namespace lintor::bcusim
