#include "link/serial_link.h"

#include <algorithm>
#include <array>
#include <utility>

#include "link/bus_message.h"
#include "link/cemi.h"
#include "platform/log.h"

namespace lintor {
namespace {

constexpr size_t kReadBlockSize = 4096;

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

SerialLink::SerialLink(EventLoop& loop, LinkListener& listener, SerialDeviceOpener& opener, std::string devicePath)
    : loop_(loop),
      listener_(listener),
      opener_(opener),
      devicePath_(std::move(devicePath)),
      reopenTimer_(loop.timer([this] { tryReopen(); })),
      pacingTimer_(loop.timer([this] { pace(); })),
      writeTimer_(loop.timer([this] { onWriteDeadline(); })),
      outage_(devicePath_) {}

bool SerialLink::start() {
    const std::string failure = openPort();
    if (failure.empty()) {
        state_ = LinkState::Running;
        return true;
    }
    state_ = LinkState::Down;
    log::error(outage_.begin(failure, loop_.now()));
    outage_.takeFirstOpenFailure(failure);
    listener_.portOpenFailed(devicePath_);
    listener_.linkDown();
    reopenTimer_.startAfter(REOPEN_INTERVAL);
    return false;
}

std::string SerialLink::openPort() {
    if (devicePath_.empty()) return "no serial device for the BCU";
    OpenedDevice opened = opener_.open(devicePath_);
    if (!opened.device) return opened.failure.empty() ? "cannot open " + devicePath_ : opened.failure;
    port_ = std::move(opened.device);
    receiver_ = {};
    portFailure_.clear();
    watchPort();
    return {};
}

void SerialLink::watchPort() {
    portWatch_.reset();
    if (port_->pollFd() < 0) return;
    watchingWrites_ = writer_.pending();
    portWatch_ = loop_.watch(port_->pollFd(), {.read = true, .write = watchingWrites_},
                             [this](EventLoop::Readiness readiness) { onPortReady(readiness); });
}

// Received bytes come first, then room for output, then a hang-up or error.
void SerialLink::onPortReady(EventLoop::Readiness readiness) {
    if (readiness.readable) readPort();
    if (port_ && readiness.writable && !writer_.flush(*port_, loop_.now())) failPort("write failed");
    // After what was still there has been read.
    if (port_ && readiness.failed) failPort("hang-up");
    handleFailure();
    if (port_) {
        watchWrites(writer_.pending());
        pace();
    }
}

// Only when it changes: a telegram should cost no more system calls than
// its read, its acknowledgement and its sends.
void SerialLink::watchWrites(bool wanted) {
    if (wanted == watchingWrites_) return;
    watchingWrites_ = wanted;
    portWatch_.change({.read = true, .write = wanted});
}

void SerialLink::readPort() {
    std::array<uint8_t, kReadBlockSize> block;
    auto n = port_->readSome(block);
    if (!n.ok()) {
        failPort("read: " + errorText(n.error()));
        return;
    }
    if (n.value() == 0) return;
    pacer_.lineActive(loop_.now());
    receiveBytes(std::span(block).first(n.value()));
}

void SerialLink::failPort(const std::string& reason) {
    if (portFailure_.empty()) portFailure_ = reason;
}

void SerialLink::handleFailure() {
    if (!port_ || portFailure_.empty()) return;
    loseLink(std::exchange(portFailure_, {}));
}

void SerialLink::loseLink(const std::string& reason) {
    portWatch_.reset();
    port_.reset();
    writer_.clear();
    writeTimer_.stop();
    pacingTimer_.stop();
    pacer_ = {};
    state_ = LinkState::Down;
    log::error(outage_.begin(devicePath_ + ": " + reason, loop_.now()));
    // What waited is as stale as anything sent from now on.
    for (size_t i = downlink_.clear(); i > 0; --i) outage_.countDroppedRecord();
    reportQueues();
    reopenTimer_.startAfter(REOPEN_INTERVAL);
    listener_.linkDown();
}

void SerialLink::tryReopen() {
    const std::string failure = openPort();
    if (failure.empty()) {
        restoreLink();
        return;
    }
    reopenTimer_.startAfter(REOPEN_INTERVAL);
    if (outage_.takeFirstOpenFailure(failure)) {
        log::warning(failure);
        listener_.portOpenFailed(devicePath_);
    } else if (const auto reminder = outage_.attemptFailed(failure, loop_.now())) {
        log::warning(*reminder);
    }
}

void SerialLink::restoreLink() {
    log::info(outage_.end(loop_.now()));
    state_ = LinkState::Running;
    listener_.linkUp();
}

Admission SerialLink::send(DownlinkSource source, std::span<const uint8_t> record) {
    if (record.size() > DOWNLINK_RECORD_LIMIT) {
        log::warning("downlink record of " + std::to_string(record.size()) + " bytes exceeds " +
                     std::to_string(DOWNLINK_RECORD_LIMIT) + ": dropped");
        return Admission::Refused;
    }
    if (state_ != LinkState::Running) {
        outage_.countDroppedRecord();
        return Admission::Queued;
    }
    const Admission admission = downlink_.push(source, record, loop_.now());
    if (admission == Admission::Refused) {
        if (downlinkFullLog_.admit(loop_.now())) {
            log::warning("downlink queue of " + source.name() + " full: record " + log::hex(record) + " dropped" +
                         downlinkFullLog_.occurrencesNote());
        }
        return admission;
    }
    pace();
    return admission;
}

bool SerialLink::withdraw(DownlinkSource source, std::span<const uint8_t> record) {
    const bool withdrawn = downlink_.withdraw(source, record);
    armPacing();
    reportQueues();
    return withdrawn;
}

// At most one record per call: after it the pacer waits for the BCU.
void SerialLink::pace() {
    if (!port_) return;
    const auto now = loop_.now();
    pacer_.advance(now);
    // A record that a module cannot take leaves its turn to the next.
    while (pacer_.maySend(now)) {
        const auto taken = downlink_.next(now);
        if (!taken) break;
        if (!carryOut(taken->record)) continue;
        pacer_.recordSent(loop_.now());
        handleFailure();
        break;
    }
    armPacing();
    reportQueues();
}

void SerialLink::reportQueues() {
    for (const DownlinkQueues::Stale& stale : downlink_.takeStale()) {
        if (!staleLog_.admit(loop_.now())) continue;
        log::warning(stale.source.name() + ": " + std::to_string(stale.records) + " record" +
                     (stale.records == 1 ? "" : "s") + " towards the bus dropped after waiting over " +
                     std::to_string(std::chrono::duration_cast<std::chrono::seconds>(downlink_.maxWait()).count()) +
                     " s" + staleLog_.occurrencesNote());
    }
    for (const DownlinkSource& source : downlink_.takeFreed()) listener_.downlinkFreed(source);
}

void SerialLink::armPacing() {
    const auto next = port_ ? pacer_.nextDeadline(!downlink_.empty()) : std::nullopt;
    if (next) {
        pacingTimer_.startAt(*next);
    } else {
        pacingTimer_.stop();
    }
}

bool SerialLink::carryOut(const std::vector<uint8_t>& record) {
    if (record.size() < kRecordHeaderSize) return true;
    const RecordHeader header = decodeHeader(std::span(record).first<kRecordHeaderSize>());
    const auto payload = std::span(record).subspan(kRecordHeaderSize);
    if (payload.size() != header.length) return true;
    if (header.length > kDownlinkPayloadLimit) {
        log::warning("downlink record of type " + log::hexWord(header.type) + ": payload of " +
                     std::to_string(header.length) + " bytes exceeds " + std::to_string(kDownlinkPayloadLimit) +
                     ": dropped");
        return true;
    }
    if (header.type == MSG_RAW_TO_BCU) {
        writeToPort(payload);
        // Whoever resets the link, the start-up or a client, restarts the count.
        if (ft12::containsResetFrame(payload)) frameSendCount_ = ft12::FIRST_FRAME_SEND_COUNT;
    } else if (header.type == MSG_DATA_TO_BCU) {
        return carryOutData(payload);
    } else if (header.type == MSG_NATIVE_TO_BCU) {
        sendEmiFrame(payload);
    }
    return true;
}

// Whether the record took its turn on the line.
bool SerialLink::carryOutData(std::span<const uint8_t> message) {
    if (interface_ == BusInterface::Emi) {
        sendEmiFrame(message);
        return true;
    }
    if (const auto request = cemi::moduleRequestOf(message)) {
        sendEmiFrame(*request);
        return true;
    }
    if (untranslatableLog_.admit(loop_.now())) {
        log::warning("a cEMI module takes L_Data.req alone: EMI message " + log::hex(message) + " dropped" +
                     untranslatableLog_.occurrencesNote());
    }
    return false;
}

void SerialLink::receiveBytes(std::span<const uint8_t> bytes) {
    for (const uint8_t b : bytes) receiveByte(b);
}

bool SerialLink::receiveByte(uint8_t byte) {
    const auto event = receiver_.push(byte);
    if (!event) return false;
    switch (event->kind) {
    case ft12::Receiver::EventKind::AckReceived:
        ++ackReceivedCount_;
        pacer_.ackReceived(loop_.now());
        emitRecord(MSG_BCU_ACK, {});
        return true;
    case ft12::Receiver::EventKind::HeaderComplete:
        sendAck();
        ++ackSentCount_;
        return false;
    case ft12::Receiver::EventKind::Frame:
        if (interface_ == BusInterface::Cemi && event->bytes.size() > ft12::VARIABLE_OVERHEAD) {
            const auto frame = std::span<const uint8_t>(event->bytes);
            classifyModuleFrame(frame, frame.subspan(ft12::USER_DATA_AT, frame.size() - ft12::VARIABLE_OVERHEAD - 1));
        } else {
            classifyFrame(event->bytes);
        }
        return true;
    case ft12::Receiver::EventKind::ResetReceived:
        sendAck();
        ++ackSentCount_;
        log::warning("the BCU reset itself (" + log::hex(event->bytes) +
                     "), as after a bus power failure: starting it again");
        listener_.bcuReset();
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
    if (throttle.admit(loop_.now()))
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
    ++portWriteCount_;
    if (!port_ || !portFailure_.empty()) return false;
    switch (writer_.write(*port_, bytes, loop_.now())) {
    case PortWriter::Result::Written:
        return true;
    case PortWriter::Result::Queued:
        if (const auto deadline = writer_.deadline()) writeTimer_.startAt(*deadline);
        watchWrites(true);
        return true;
    case PortWriter::Result::Refused:
        if (writeLog_.admit(loop_.now())) {
            log::warning("serial line not taking bytes: " + std::to_string(bytes.size()) + " dropped" +
                         writeLog_.occurrencesNote());
        }
        return false;
    case PortWriter::Result::Failed:
        failPort("write failed");
        return false;
    }
    return false;
}

// The line took too long for a write: what is left of it never goes.
void SerialLink::onWriteDeadline() {
    if (!port_) return;
    if (writer_.expire(*port_, loop_.now()) && writeLog_.admit(loop_.now())) {
        log::warning("serial line did not take a write in time: the rest of it dropped" + writeLog_.occurrencesNote());
    }
    if (const auto deadline = writer_.deadline()) writeTimer_.startAt(*deadline);
    watchWrites(writer_.pending());
}

void SerialLink::classifyFrame(std::span<const uint8_t> frame) {
    const auto result = classifier_.classify(frame);
    if (!result) {
        if (receiveDropLog_.admit(loop_.now())) {
            log::warning("frame of " + std::to_string(frame.size()) + " bytes exceeds " +
                         std::to_string(kClassifiedFrameLimit) + ": dropped" + receiveDropLog_.occurrencesNote());
        }
        return;
    }
    if (result->duplicate) ++duplicateCount_;
    // The message: after the frame's header and control byte, up to its checksum.
    if (frame.size() > ft12::VARIABLE_OVERHEAD) {
        const auto message = frame.subspan(ft12::USER_DATA_AT, frame.size() - ft12::VARIABLE_OVERHEAD - 1);
        if (listener_.takeOwnAnswer(message)) return;
    }
    emitRecord(result->type, result->payload);
}

// The module's frame as the BCU 2's frame with the same control byte would
// have been: classified, its repetitions counted, recorded like it.
void SerialLink::classifyModuleFrame(std::span<const uint8_t> frame, std::span<const uint8_t> message) {
    if (listener_.takeOwnAnswer(message)) return;
    const auto emiMessage = cemi::emiMessageOf(message);
    if (!emiMessage || emiMessage->empty() || emiMessage->size() > ft12::MAX_EMI_MESSAGE) {
        classifyFrame(frame);
        return;
    }
    const auto emiFrame = ft12::encodeVariableFrame(frame[ft12::CONTROL_AT], *emiMessage);
    classifyFrame(emiFrame.view());
}

void SerialLink::emitRecord(uint16_t type, std::span<const uint8_t> payload) {
    std::array<uint8_t, kUplinkRecordCapacity> record{};
    if (payload.size() > record.size() - kRecordHeaderSize) {
        log::warning("uplink payload of " + std::to_string(payload.size()) + " bytes does not fit a record: dropped");
        return;
    }
    const RecordHeader header{type, static_cast<uint16_t>(payload.size())};
    std::ranges::copy(encodeHeader(header), record.begin());
    std::ranges::copy(payload, record.begin() + kRecordHeaderSize);
    listener_.recordFromBus(std::span(record).first(header.recordSize()));
}

}  // namespace lintor
