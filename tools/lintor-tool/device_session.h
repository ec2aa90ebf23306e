#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "link/tpdu.h"
#include "tools/lintor-tool/bus_port.h"

namespace lintor::tool {

// A management request and the service that answers it.
struct DeviceRequest {
    uint16_t apci = 0;
    uint8_t shortNumber = 0;
    std::vector<uint8_t> data;
    uint16_t responseApci = 0;
};

// A transport connection to one device, for a few requests in turn.
//
//   closed --open(): T_Connect--> positive confirmation: open
//                                 negative: Absent; none in time: BcuSilent
//   open --ask(): T_Data_Connected(n)--> its T_ACK(n) and the response: open, n + 1
//        T_NAK(n): sent again, three times at most; acknowledged without a
//        response in time: NoAnswer, still open
//        no T_ACK in time, T_Disconnect, lost: broken, every later ask fails so
//   open --close(), or going: T_Disconnect, waited for until confirmed
//   The device's own telegrams are acknowledged as they come, a repetition
//   of the last one again. The gateway spaces telegrams out, so the time-out
//   for an answer starts at the BCU's confirmation of the request.
class DeviceSession {
public:
    DeviceSession(BusPort& port, uint16_t device, std::chrono::milliseconds timeout)
        : port_(port),
          device_(device),
          timeout_(timeout) {}
    ~DeviceSession() { close(); }
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    std::optional<BusFailure> open();
    std::variant<tpdu::Pdu, BusFailure> ask(const DeviceRequest& request);
    // Waits for the T_Disconnect to leave, so that the next telegram does not
    // queue behind it.
    void close();

    // What ended the connection, if anything did.
    std::optional<BusFailure> broken() const { return broken_; }

private:
    struct Awaited {
        bool confirmed = false;
        bool acknowledged = false;
        std::optional<tpdu::Pdu> response;
        int repetitions = 0;
    };
    // A failure when the telegram from the device ends the exchange.
    std::optional<BusFailure> take(const tpdu::Pdu& pdu, const DeviceRequest& request, std::span<const uint8_t> sent,
                                   Awaited& awaited);
    bool acceptNumbered(uint8_t sequence);
    void acknowledge(uint8_t sequence);
    BusFailure breakWith(BusFailure failure);
    // Waits for the BCU's confirmation of the request; false when it is
    // lost or the time is up.
    bool awaitConfirmation(std::span<const uint8_t> request);
    Connection::Clock::time_point deadline() const { return Connection::Clock::now() + timeout_; }

    BusPort& port_;
    uint16_t device_;
    std::chrono::milliseconds timeout_;
    bool opened_ = false;
    std::optional<BusFailure> broken_;
    uint8_t sendSequence_ = 0;
    uint8_t receiveSequence_ = 0;
};

}  // namespace lintor::tool
