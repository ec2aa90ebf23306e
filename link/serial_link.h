#pragma once

#include <atomic>
#include <cstdint>
#include <future>
#include <memory>
#include <span>
#include <string>
#include <thread>

#include "link/downlink_assembler.h"
#include "link/ft12.h"
#include "link/owner_window.h"
#include "link/telegram_classifier.h"
#include "platform/log_throttle.h"
#include "platform/pipe.h"
#include "platform/serial_device.h"
#include "platform/settings_store.h"
#include "platform/wake_event.h"

namespace lintor {

inline constexpr const char* SETTINGS_SECTION = "settings";
inline constexpr const char* SETTING_COM_PORT = "ComPort";
inline constexpr const char* SETTING_DEVICE = "Device";
inline constexpr int DEFAULT_COM_PORT = 1;

inline constexpr const char* INVALID_PORT_MESSAGE = "invalid COM port";

// COM1 is /dev/ttyS0; empty for a number that names no device.
std::string devicePathForComPort(int portNumber);

enum class LinkState {
    Constructed,
    Starting,  // the worker is trying the port
    Running,   // the port is open and serviced
    Failed,    // the port could not be opened, or failed later
    Stopped,   // the worker ended on the stop request
};

// Everything between the system and the BCU: the serial device, the FT1.2
// codec, classification and the two record pipes. The user-interface thread
// only writes the downlink pipe, reads the uplink pipe and reads the counters;
// everything else runs on the link worker.
class SerialLink {
public:
    // Reads "ComPort" (and "Device", which names the device directly);
    // deviceOverride, when not empty, wins over both.
    SerialLink(SettingsStore& settings, OwnerWindow& owner, SerialDeviceOpener& opener,
               std::string deviceOverride = {});
    ~SerialLink();
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // User-interface thread.
    // Returns once the worker has tried to open the port.
    bool startWorker();
    // Stops the worker; waits for it however long it takes, logging when
    // that is more than a second, so nothing is released under it.
    bool stopWorker();
    bool workerRunning() const { return workerRunning_.load(); }
    LinkState state() const { return state_.load(); }
    bool writeDownlink(std::span<const uint8_t> record);
    size_t readUplink(std::span<uint8_t> buffer);

    // Link worker.
    bool openPort();
    bool takeDownlinkRecord();
    void emitUplinkRecord(uint16_t type, std::span<const uint8_t> payload);
    void receiveBytes(std::span<const uint8_t> bytes);
    bool receiveByte(uint8_t byte);
    bool sendAck();
    bool sendEmiFrame(std::span<const uint8_t> message);
    bool writeToPort(std::span<const uint8_t> bytes);
    void classifyFrame(std::span<const uint8_t> frame);

    // Set by a lone 0xE5 from the BCU, consumed by the worker loop.
    bool takeAckSignal() { return std::exchange(ackSignalled_, false); }

    int portNumber() const { return portNumber_; }
    const std::string& devicePath() const { return devicePath_; }
    bool portOpen() const { return port_ != nullptr; }

    // Read by the user-interface thread once a second; written by the worker.
    int32_t ackSentCount() const { return ackSentCount_.load(std::memory_order_relaxed); }
    int32_t ackReceivedCount() const { return ackReceivedCount_.load(std::memory_order_relaxed); }
    int32_t portWriteCount() const { return portWriteCount_.load(std::memory_order_relaxed); }
    int32_t duplicateCount() const { return duplicateCount_.load(std::memory_order_relaxed); }

private:
    void runWorker();
    void serviceLink();
    void closeFailedPort(const std::string& reason);
    void carryOutDownlinkRecord();

    SettingsStore& settings_;
    OwnerWindow& owner_;
    SerialDeviceOpener& opener_;
    int portNumber_ = DEFAULT_COM_PORT;
    std::string devicePath_;

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
    std::promise<void> workerDone_;
    std::thread workerThread_;

    // Worker-only state.
    uint8_t frameSendCount_ = 1;
    bool ackSignalled_ = false;
    ft12::Receiver receiver_;
    TelegramClassifier classifier_;
    DownlinkAssembler downlinkRecord_;
    LogThrottle receiveDropLog_;
    LogThrottle corruptFrameLog_;
    LogThrottle uplinkDropLog_;
    LogThrottle downlinkDropLog_;
    LogThrottle downlinkFullLog_;
};

}  // namespace lintor
