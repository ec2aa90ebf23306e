#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <span>
#include <string>
#include <thread>

#include "link/downlink_assembler.h"
#include "link/ft12.h"
#include "link/link_events.h"
#include "link/link_outage.h"
#include "link/telegram_classifier.h"
#include "platform/log_throttle.h"
#include "platform/pipe.h"
#include "platform/serial_device.h"
#include "platform/wake_event.h"

namespace lintor {

//   Constructed --startWorker--> Starting --port opened--> Running --stop--> Stopped
//                                        \--not opened---> Down
//   Running --hang-up, read or write error--> Down --port opened again--> Running
//   Down --stop--> Stopped
enum class LinkState {
    Constructed,
    Starting,
    Running,
    Down,
    Stopped,
};

// Everything between the system and the BCU: the serial device, the FT1.2
// codec, classification and the two record pipes. The user-interface thread
// only writes the downlink pipe, reads the uplink pipe and reads the counters;
// everything else runs on the link worker.
class SerialLink {
public:
    SerialLink(LinkEvents& events, SerialDeviceOpener& opener, std::string devicePath);
    ~SerialLink();
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // User-interface thread.
    // Starts the worker and returns once it has tried the device: true when
    // the device is open and serviced. Otherwise the worker keeps trying.
    bool startWorker();
    // Stops the worker and waits for it however long it takes, so that
    // nothing is released under it; false when that took more than 1000 ms.
    bool stopWorker();
    LinkState state() const { return state_.load(); }
    bool writeDownlink(std::span<const uint8_t> record);
    size_t readUplink(std::span<uint8_t> buffer);

    // Read by the user-interface thread once a second; written by the worker.
    int32_t ackSentCount() const { return ackSentCount_.load(std::memory_order_relaxed); }
    int32_t ackReceivedCount() const { return ackReceivedCount_.load(std::memory_order_relaxed); }
    int32_t portWriteCount() const { return portWriteCount_.load(std::memory_order_relaxed); }
    int32_t duplicateCount() const { return duplicateCount_.load(std::memory_order_relaxed); }

private:
    // Tests play the link worker through it.
    friend class SerialLinkSeam;

    // Link worker.
    void runWorker();
    void serviceLink();
    bool servicePort(short portEvents, std::span<uint8_t> readBlock);
    void awaitDevice();
    // Empty when the port is open, else why not.
    std::string openPort();
    void loseLink(const std::string& reason);
    void restoreLink();
    bool readDownlinkRecord();
    bool takeDownlinkRecord();
    void discardDownlinkRecords();
    void carryOutDownlinkRecord();
    void emitUplinkRecord(uint16_t type, std::span<const uint8_t> payload);
    void receiveBytes(std::span<const uint8_t> bytes);
    bool receiveByte(uint8_t byte);
    void reportDamagedInput(const ft12::Receiver::Event& event);
    bool sendAck();
    bool sendEmiFrame(std::span<const uint8_t> message);
    bool writeToPort(std::span<const uint8_t> bytes);
    void classifyFrame(std::span<const uint8_t> frame);
    // Set by a lone 0xE5 from the BCU, consumed by the worker loop.
    bool takeAckSignal() { return std::exchange(ackSignalled_, false); }

    LinkEvents& events_;
    SerialDeviceOpener& opener_;
    const std::string devicePath_;

    std::unique_ptr<SerialDevice> port_;
    Pipe uplink_;
    Pipe downlink_;

    std::atomic<int32_t> ackSentCount_{0};
    std::atomic<int32_t> ackReceivedCount_{0};
    std::atomic<int32_t> portWriteCount_{0};
    std::atomic<int32_t> duplicateCount_{0};

    WakeEvent stopEvent_;
    std::atomic<bool> workerRunning_{false};
    std::atomic<LinkState> state_{LinkState::Constructed};
    // Set by a failed write, acted on by the worker loop.
    std::string portFailure_;
    std::promise<void> workerDone_;
    std::thread workerThread_;

    // Worker-only state.
    uint8_t frameSendCount_ = ft12::FIRST_FRAME_SEND_COUNT;
    bool ackSignalled_ = false;
    LinkOutage outage_;
    std::chrono::steady_clock::time_point lastOpenAttempt_{};
    ft12::Receiver receiver_;
    TelegramClassifier classifier_;
    DownlinkAssembler downlinkRecord_;
    LogThrottle receiveDropLog_;
    LogThrottle corruptFrameLog_;
    LogThrottle uplinkDropLog_;
    LogThrottle downlinkFullLog_;
};

}  // namespace lintor
