#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "link/bus_interface.h"
#include "link/downlink_pacer.h"
#include "link/downlink_queues.h"
#include "link/ft12.h"
#include "link/link_listener.h"
#include "link/link_outage.h"
#include "link/port_writer.h"
#include "link/telegram_classifier.h"
#include "platform/event_loop.h"
#include "platform/log_throttle.h"
#include "platform/serial_device.h"

namespace lintor {

//   Constructed --start--> Running (port open) or Down (not opened)
//   Running --hang-up, read or write error--> Down --port opened again--> Running
// The device is tried once a second while Down.
enum class LinkState {
    Constructed,
    Running,
    Down,
};

// Everything between the system and the BCU, on the event loop's thread:
// the serial device, the FT1.2 codec, classification, pacing of records
// towards the BCU and recovery after the device is lost. Records from the
// bus go straight to the listener; records towards it wait in a small queue
// per source for their turn on the line (DownlinkQueues). Nothing here ever
// waits.
class SerialLink {
public:
    // Longer records were refused by the pipe at once.
    static constexpr size_t DOWNLINK_RECORD_LIMIT = 4096;
    // A USB adapter that comes back usually does so within a second or two.
    static constexpr std::chrono::milliseconds REOPEN_INTERVAL{1000};

    SerialLink(EventLoop& loop, LinkListener& listener, SerialDeviceOpener& opener, std::string devicePath);
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // Tries the device; true when it is open. Otherwise it is tried again
    // every REOPEN_INTERVAL.
    bool start();
    LinkState state() const { return state_; }
    // With a cEMI module the link translates: clients' EMI L_Data.req go out
    // as cEMI, and the module's messages come up as the EMI records a BCU 2
    // would have sent.
    void setInterface(BusInterface interface) { interface_ = interface; }
    BusInterface interface() const { return interface_; }

    // A whole record towards the BCU from that source, carried out in its
    // turn. Refused when too long or when the source's queue is full; a
    // source told QueuedNowFull hears of room through the listener. While
    // the device is away records are taken and dropped, since a light that
    // switches minutes after it was asked is worse than one that does not.
    Admission send(DownlinkSource source, std::span<const uint8_t> record);
    // The gateway's own records, the start-up's, ahead of every client's.
    bool send(std::span<const uint8_t> record) { return send(DownlinkSource::startup(), record) != Admission::Refused; }
    // Takes back a record of the source that still waits for its turn.
    bool withdraw(DownlinkSource source, std::span<const uint8_t> record);
    // A record waiting longer is dropped, with a log line for its source.
    void setMaxWait(std::chrono::milliseconds maxWait) { downlink_.setMaxWait(maxWait); }

    int32_t ackSentCount() const { return ackSentCount_; }
    int32_t ackReceivedCount() const { return ackReceivedCount_; }
    int32_t portWriteCount() const { return portWriteCount_; }
    int32_t duplicateCount() const { return duplicateCount_; }

    // The pieces of the link's work, for tests that play the line.
    void receiveBytes(std::span<const uint8_t> bytes);
    bool sendEmiFrame(std::span<const uint8_t> message);
    bool writeToPort(std::span<const uint8_t> bytes);

private:
    std::string openPort();
    void watchPort();
    void watchWrites(bool wanted);
    void onPortReady(EventLoop::Readiness readiness);
    void readPort();
    void loseLink(const std::string& reason);
    void tryReopen();
    void restoreLink();
    void failPort(const std::string& reason);
    void handleFailure();

    // Pacing: carry out a record when the pacer allows, and be woken for the
    // next moment it may.
    void pace();
    void armPacing();
    // What the queues have to tell: sources with room again, records dropped
    // for their age.
    void reportQueues();
    // False when the record was dropped without taking its turn.
    bool carryOut(const std::vector<uint8_t>& record);
    void onWriteDeadline();

    bool receiveByte(uint8_t byte);
    void reportDamagedInput(const ft12::Receiver::Event& event);
    bool sendAck();
    void classifyFrame(std::span<const uint8_t> frame);
    void classifyModuleFrame(std::span<const uint8_t> frame, std::span<const uint8_t> message);
    bool carryOutData(std::span<const uint8_t> message);
    void emitRecord(uint16_t type, std::span<const uint8_t> payload);

    EventLoop& loop_;
    LinkListener& listener_;
    SerialDeviceOpener& opener_;
    const std::string devicePath_;

    std::unique_ptr<SerialDevice> port_;
    EventLoop::Watch portWatch_;
    bool watchingWrites_ = false;
    EventLoop::Timer reopenTimer_;
    EventLoop::Timer pacingTimer_;
    EventLoop::Timer writeTimer_;
    LinkState state_ = LinkState::Constructed;
    BusInterface interface_ = BusInterface::Emi;
    // Set by a failed write, acted on once the work at hand is done.
    std::string portFailure_;

    int32_t ackSentCount_ = 0;
    int32_t ackReceivedCount_ = 0;
    int32_t portWriteCount_ = 0;
    int32_t duplicateCount_ = 0;

    uint8_t frameSendCount_ = ft12::FIRST_FRAME_SEND_COUNT;
    DownlinkPacer pacer_;
    PortWriter writer_;
    DownlinkQueues downlink_;
    LinkOutage outage_;
    ft12::Receiver receiver_;
    TelegramClassifier classifier_;
    LogThrottle receiveDropLog_;
    LogThrottle corruptFrameLog_;
    LogThrottle downlinkFullLog_;
    LogThrottle staleLog_;
    LogThrottle writeLog_;
    LogThrottle untranslatableLog_;
};

}  // namespace lintor
