#include "link/serial_link.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "link/bus_message.h"
#include "platform/log.h"
#include "platform/serial_port.h"

namespace lintor {
namespace {

using std::chrono::milliseconds;

// 10 ms per byte plus 100 ms, as the BCU's line allows, never beyond 5 s.
milliseconds writeTimeoutFor(size_t count) {
    return std::min(milliseconds(10 * static_cast<int64_t>(count) + 100), milliseconds(5000));
}

Pipe makeLinkPipe(const char* name) {
    auto pipe = makePipe();
    if (!pipe.ok()) {
        log::error(std::string("cannot create the ") + name + " pipe: " + errorText(pipe.error()));
        return {};
    }
    // Neither side may ever block on a pipe: a full pipe drops the record
    // with a log line, an empty one simply has nothing to give.
    Pipe result = pipe.take();
    setNonBlocking(result.readEnd.get());
    setNonBlocking(result.writeEnd.get());
    return result;
}

std::string damageDescription(const ft12::Receiver::Event& event) {
    using Kind = ft12::Receiver::EventKind;
    const std::string size = std::to_string(event.bytes.size()) + " bytes";
    switch (event.kind) {
    case Kind::BadChecksum:
        return "frame from the BCU dropped, wrong checksum";
    case Kind::BadEndByte:
        return "frame from the BCU dropped, no end byte after it";
    case Kind::Overflow:
        return "serial input dropped, no end byte after " + size;
    case Kind::Dropped:
        return "serial input dropped, no frame header in " + size;
    case Kind::AckReceived:
    case Kind::HeaderComplete:
    case Kind::Frame:
    case Kind::ResetReceived:
        break;
    }
    return "serial input dropped";
}

}  // namespace

SerialLink::SerialLink(LinkEvents& events, SerialDeviceOpener& opener, std::string devicePath)
    : events_(events),
      opener_(opener),
      devicePath_(std::move(devicePath)),
      uplink_(makeLinkPipe("uplink")),
      downlink_(makeLinkPipe("downlink")),
      outage_(devicePath_) {
    if (auto event = WakeEvent::create(); event.ok()) {
        stopEvent_ = event.take();
    } else {
        log::error("cannot create the link's stop event: " + errorText(event.error()));
    }
}

SerialLink::~SerialLink() { stopWorker(); }

std::string SerialLink::openPort() {
    if (devicePath_.empty()) return "no serial device for the BCU";
    OpenedDevice opened = opener_.open(devicePath_);
    if (!opened.device) return opened.failure.empty() ? "cannot open " + devicePath_ : opened.failure;
    port_ = std::move(opened.device);
    receiver_ = {};
    portFailure_.clear();
    return {};
}

bool SerialLink::writeDownlink(std::span<const uint8_t> record) {
    if (record.size() > PIPE_BUF) {
        log::warning("downlink record of " + std::to_string(record.size()) + " bytes exceeds " +
                     std::to_string(PIPE_BUF) + ": dropped");
        return false;
    }
    ssize_t n = 0;
    do {
        n = ::write(downlink_.writeEnd.get(), record.data(), record.size());
    } while (n < 0 && errno == EINTR);
    if (n == static_cast<ssize_t>(record.size())) return true;
    if (downlinkFullLog_.admit()) {
        const std::string reason = n < 0 && errno == EAGAIN ? "downlink pipe full" : errorText(errno);
        log::warning(reason + ": record " + log::hex(record) + " dropped" + downlinkFullLog_.occurrencesNote());
    }
    return false;
}

size_t SerialLink::readUplink(std::span<uint8_t> buffer) {
    ssize_t n = 0;
    do {
        n = ::read(uplink_.readEnd.get(), buffer.data(), buffer.size());
    } while (n < 0 && errno == EINTR);
    return n > 0 ? static_cast<size_t>(n) : 0;
}

void SerialLink::emitUplinkRecord(uint16_t type, std::span<const uint8_t> payload) {
    std::array<uint8_t, kUplinkRecordCapacity> record{};
    if (payload.size() > record.size() - kRecordHeaderSize) {
        log::warning("uplink payload of " + std::to_string(payload.size()) + " bytes does not fit a record: dropped");
        return;
    }
    const RecordHeader header{type, static_cast<uint16_t>(payload.size())};
    std::ranges::copy(encodeHeader(header), record.begin());
    std::ranges::copy(payload, record.begin() + kRecordHeaderSize);

    // One write below PIPE_BUF is atomic: the reader never sees half a record.
    ssize_t n = 0;
    do {
        n = ::write(uplink_.writeEnd.get(), record.data(), header.recordSize());
    } while (n < 0 && errno == EINTR);
    if (n != static_cast<ssize_t>(header.recordSize())) {
        if (uplinkDropLog_.admit()) {
            log::warning("uplink pipe full: record " + log::hex(std::span(record).first(header.recordSize())) +
                         " dropped" + uplinkDropLog_.occurrencesNote());
        }
        return;
    }
    events_.post({WM_BUS_MESSAGE, static_cast<uint32_t>(header.recordSize()), 0});
}

// True once a whole record is in downlinkRecord_.
bool SerialLink::readDownlinkRecord() {
    std::array<uint8_t, 512> chunk;
    while (!downlinkRecord_.complete()) {
        const size_t want = std::min(downlinkRecord_.bytesWanted(), chunk.size());
        const ssize_t n = ::read(downlink_.readEnd.get(), chunk.data(), want);
        if (n < 0 && errno == EINTR) continue;
        // Empty, or the rest of the record is not in the pipe yet: it is
        // taken on a later call, never by blocking here.
        if (n <= 0) return false;
        downlinkRecord_.accept(std::span(chunk).first(static_cast<size_t>(n)));
    }
    return true;
}

bool SerialLink::takeDownlinkRecord() {
    if (!readDownlinkRecord()) return false;
    carryOutDownlinkRecord();
    downlinkRecord_.clear();
    return true;
}

// A light that switches minutes after it was asked is worse than one that
// does not: nothing waits for the link to come back.
void SerialLink::discardDownlinkRecords() {
    while (readDownlinkRecord()) {
        outage_.countDroppedRecord();
        downlinkRecord_.clear();
    }
}

void SerialLink::carryOutDownlinkRecord() {
    const RecordHeader header = downlinkRecord_.header();
    if (downlinkRecord_.oversized()) {
        log::warning("downlink record of type " + log::hexWord(header.type) + ": payload of " +
                     std::to_string(header.length) + " bytes exceeds " + std::to_string(kDownlinkPayloadLimit) +
                     ": dropped");
        return;
    }
    const auto payload = downlinkRecord_.payload();
    if (header.type == MSG_RAW_TO_BCU) {
        writeToPort(payload);
        // Whoever resets the link, the start-up or a client, restarts the count.
        if (ft12::containsResetFrame(payload)) frameSendCount_ = ft12::FIRST_FRAME_SEND_COUNT;
    } else if (header.type == MSG_DATA_TO_BCU) {
        sendEmiFrame(payload);
    }
}

void SerialLink::receiveBytes(std::span<const uint8_t> bytes) {
    for (const uint8_t b : bytes) receiveByte(b);
}

bool SerialLink::receiveByte(uint8_t byte) {
    const auto event = receiver_.push(byte);
    if (!event) return false;
    switch (event->kind) {
    case ft12::Receiver::EventKind::AckReceived:
        ackReceivedCount_.fetch_add(1, std::memory_order_relaxed);
        emitUplinkRecord(MSG_BCU_ACK, {});
        ackSignalled_ = true;
        return true;
    case ft12::Receiver::EventKind::HeaderComplete:
        sendAck();
        ackSentCount_.fetch_add(1, std::memory_order_relaxed);
        return false;
    case ft12::Receiver::EventKind::Frame:
        classifyFrame(event->bytes);
        return true;
    case ft12::Receiver::EventKind::ResetReceived:
        sendAck();
        ackSentCount_.fetch_add(1, std::memory_order_relaxed);
        log::warning("the BCU reset itself (" + log::hex(event->bytes) +
                     "), as after a bus power failure: starting it again");
        events_.post({WM_BCU_RESET, 0, 0});
        return true;
    case ft12::Receiver::EventKind::BadChecksum:
    case ft12::Receiver::EventKind::BadEndByte:
    case ft12::Receiver::EventKind::Dropped:
    case ft12::Receiver::EventKind::Overflow:
        reportDamagedInput(*event);
        return true;
    }
    return false;
}

void SerialLink::reportDamagedInput(const ft12::Receiver::Event& event) {
    using Kind = ft12::Receiver::EventKind;
    LogThrottle& throttle =
        event.kind == Kind::BadChecksum || event.kind == Kind::BadEndByte ? corruptFrameLog_ : receiveDropLog_;
    if (throttle.admit())
        log::warning(damageDescription(event) + ": " + log::hex(event.bytes) + throttle.occurrencesNote());
}

bool SerialLink::sendAck() {
    static constexpr uint8_t ack[] = {ft12::ACK};
    return writeToPort(ack);
}

bool SerialLink::sendEmiFrame(std::span<const uint8_t> message) {
    if (message.empty() || message.size() > ft12::MAX_EMI_MESSAGE) {
        log::warning("EMI message of " + std::to_string(message.size()) + " bytes cannot be framed (1 to " +
                     std::to_string(ft12::MAX_EMI_MESSAGE) + "): dropped");
        return false;
    }
    const auto frame = ft12::encodeVariableFrame(ft12::sendControlByte(frameSendCount_), message);
    ++frameSendCount_;
    return writeToPort(frame.view());
}

bool SerialLink::writeToPort(std::span<const uint8_t> bytes) {
    portWriteCount_.fetch_add(1, std::memory_order_relaxed);
    if (!port_) return false;
    switch (port_->writeAll(bytes, writeTimeoutFor(bytes.size()))) {
    case WriteResult::Written:
        return true;
    case WriteResult::TimedOut:
        return false;
    case WriteResult::Failed:
        if (portFailure_.empty()) portFailure_ = "write failed";
        return false;
    }
    return false;
}

void SerialLink::classifyFrame(std::span<const uint8_t> frame) {
    const auto result = classifier_.classify(frame);
    if (!result) {
        if (receiveDropLog_.admit()) {
            log::warning("frame of " + std::to_string(frame.size()) + " bytes exceeds " +
                         std::to_string(kClassifiedFrameLimit) + ": dropped" + receiveDropLog_.occurrencesNote());
        }
        return;
    }
    if (result->duplicate) duplicateCount_.fetch_add(1, std::memory_order_relaxed);
    emitUplinkRecord(result->type, result->payload);
}

}  // namespace lintor
