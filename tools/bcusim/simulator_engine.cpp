#include "tools/bcusim/simulator_engine.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>

#include "link/individual_address.h"
#include "platform/log.h"
#include "tools/bcusim/cemi_frames.h"
#include "tools/bcusim/confirmation.h"
#include "tools/bcusim/demo_devices.h"
#include "tools/bcusim/frame_codec.h"
#include "tools/bcusim/group_telegram.h"

namespace lintor::bcusim {
namespace {

constexpr size_t kReadChunk = 512;
// A garbage request beyond this is cut down: nothing a test needs, and it
// would all sit in memory at once.
constexpr size_t kGarbageLimit = 65536;

}  // namespace

SimulatorEngine::SimulatorEngine(const Options& options, PtyPair pty, TrafficRecorder& recorder,
                                 Clock::time_point start)
    : pty_(std::move(pty)),
      recorder_(recorder),
      uplink_(UplinkSender::Settings{options.ackTimeout}),
      line_(simulatedDevices()),
      memory_(options.individualAddress),
      garbage_(options.seed) {
    if (options.demo) demo_.emplace(options.seed, start + options.demoQuietPeriod);
    if (options.interface == BusInterface::Cemi) module_.emplace(options.individualAddress);
}

void SimulatorEngine::run(CommandQueue& commands) {
    for (;;) {
        runDueWork(Clock::now());
        std::array<pollfd, 2> fds{{{commands.wakeFd(), POLLIN, 0}, {pty_.master.get(), POLLIN, 0}}};
        if (output_.waitingForRoom()) fds[1].events |= POLLOUT;
        const nfds_t count = pty_.isOpen() ? 2 : 1;
        if (::poll(fds.data(), count, pollTimeout(Clock::now())) < 0 && errno != EINTR) {
            recorder_.note("poll failed: " + errorText(errno), Clock::now());
            return;
        }
        if (count == 2 && (fds[1].revents & POLLOUT)) output_.roomAvailable();
        const bool readable = count == 2 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR));
        const Clock::time_point arrival = Clock::now();
        const std::vector<uint8_t> received = readable ? readHost(arrival) : std::vector<uint8_t>{};
        // Bytes first, then commands: a command posted before the host wrote
        // these bytes is in the queue by now, and applies before they are
        // answered.
        if (!serviceCommands(commands)) return;
        handleHostBytes(received, arrival);
    }
}

bool SimulatorEngine::serviceCommands(CommandQueue& commands) {
    CommandQueue::Drained drained = commands.drain();
    for (CommandQueue::Command& command : drained.commands) command();
    if (!drained.stopRequested) return true;
    // What the last commands queued still goes out, as far as it can
    // without waiting.
    runDueWork(Clock::now());
    return false;
}

void SimulatorEngine::runDueWork(Clock::time_point now) {
    timers_.runDue(now);
    checkUplinkTimeout(now);
    tickDemo(now);
    tickLine(now);
    startNextTransmission();
    writeOutput(now);
}

int SimulatorEngine::pollTimeout(Clock::time_point now) const {
    std::optional<Clock::time_point> earliest;
    const auto consider = [&](std::optional<Clock::time_point> at) {
        if (at && (!earliest || *at < *earliest)) earliest = at;
    };
    consider(timers_.next());
    consider(uplink_.deadline());
    if (demo_) consider(demo_->nextDue());
    consider(line_.nextDue());
    if (pty_.isOpen()) consider(output_.nextWriteTime());
    if (!earliest) return -1;
    if (*earliest <= now) return 0;
    // Rounded up: waking a little early would only spin until the time came.
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(*earliest - now).count());
}

std::vector<uint8_t> SimulatorEngine::readHost(Clock::time_point now) {
    std::array<uint8_t, kReadChunk> buffer;
    const ssize_t n = ::read(pty_.master.get(), buffer.data(), buffer.size());
    if (n > 0) {
        std::vector<uint8_t> received(buffer.begin(), buffer.begin() + n);
        recorder_.recordBytes(Direction::FromHost, received, now);
        return received;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return {};
    // With our own slave fd held open this should not happen; polling a
    // dead master would only spin.
    recorder_.note("reading the pty master failed: " + errorText(n < 0 ? errno : EIO), now);
    hangUp();
    return {};
}

void SimulatorEngine::handleHostBytes(std::span<const uint8_t> bytes, Clock::time_point now) {
    for (const uint8_t byte : bytes) {
        if (auto unit = hostStream_.push(byte, now)) handleUnit(*unit, now);
    }
}

// Recorded only once acted on, so that whoever waits for the unit also sees
// its effects on the counters.
void SimulatorEngine::handleUnit(const HostUnit& unit, Clock::time_point now) {
    actOn(unit, now);
    recorder_.recordUnit(unit);
}

void SimulatorEngine::actOn(const HostUnit& unit, Clock::time_point now) {
    switch (unit.kind) {
    case HostUnitKind::Ack:
        recorder_.countAckReceived();
        if (!uplink_.acknowledge()) recorder_.note("0xE5 from the host with no frame outstanding", now);
        return;
    case HostUnitKind::VariableFrame:
    case HostUnitKind::FixedFrame:
        if (!unit.wellFormed) {
            recorder_.note("bad checksum or end byte, not acknowledged: " + log::hex(unit.bytes), now);
            return;
        }
        if (unit.bytes == framing::fixedFrame(framing::RESET_CONTROL)) {
            awaitingReset_ = false;
            // The host chooses the mode again after every reset, as the
            // gateway and knxd both do.
            if (module_) module_->restart();
        }
        answerFrame(unit, now);
        return;
    case HostUnitKind::Garbage:
        recorder_.note("not a frame, ignored: " + log::hex(unit.bytes), now);
        return;
    }
}

void SimulatorEngine::answerFrame(const HostUnit& unit, Clock::time_point now) {
    if (silent_) return;
    std::vector<std::vector<uint8_t>> followUps = followUpsOf(emiMessageOf(unit), now);
    switch (ackMode_) {
    case AckMode::Normal:
        acknowledge(followUps);
        return;
    case AckMode::None:
        for (std::vector<uint8_t>& message : followUps) queueOwnFrame(std::move(message));
        return;
    case AckMode::Late:
        timers_.add(now + ackDelay_, [this, followUps = std::move(followUps)] {
            if (!silent_) acknowledge(followUps);
        });
        return;
    }
}

// The confirmation of a request and what the devices on the line answer,
// then the BCU's memory or a demo device's group response.
std::vector<std::vector<uint8_t>> SimulatorEngine::followUpsOf(std::span<const uint8_t> message,
                                                               Clock::time_point now) {
    if (module_) return moduleFollowUpsOf(message, now);
    const auto frame = frameOfRequest(message, memory_.individualAddress());
    const auto sent = frame ? transmit(*frame, now) : SimulatedLine::Transmission{true, {}};
    std::vector<std::vector<uint8_t>> followUps;
    if (auto confirmation = confirmationOf(message, sent.acknowledged)) followUps.push_back(std::move(*confirmation));
    appendLineAnswers(sent, now, followUps);
    if (auto answer = memory_.handle(message)) followUps.push_back(std::move(*answer));
    if (frame) appendDemoAnswer(*frame, followUps);
    return followUps;
}

// The module answers its management itself; an L_Data.req goes on the line
// only once the host has chosen the data link layer.
std::vector<std::vector<uint8_t>> SimulatorEngine::moduleFollowUpsOf(std::span<const uint8_t> message,
                                                                     Clock::time_point now) {
    if (message.empty()) return {};  // the reset, a fixed frame
    if (auto answer = module_->answer(message)) return {std::move(*answer)};
    const auto frame = frameOfCemiRequest(message, memory_.individualAddress());
    if (!frame) {
        recorder_.note("not a cEMI message the module takes: " + log::hex(message), now);
        return {};
    }
    if (!module_->passesLData()) {
        recorder_.note("no communication mode chosen since the reset: L_Data.req refused", now);
        return {*cemiConfirmationOf(message, false)};
    }
    const auto sent = transmit(*frame, now);
    std::vector<std::vector<uint8_t>> followUps{*cemiConfirmationOf(message, sent.acknowledged)};
    appendLineAnswers(sent, now, followUps);
    appendDemoAnswer(*frame, followUps);
    return followUps;
}

SimulatedLine::Transmission SimulatorEngine::transmit(const LineFrame& frame, Clock::time_point now) {
    auto sent = line_.transmit(frame, now);
    if (!sent.acknowledged) {
        recorder_.note("no device at " + formatIndividualAddress(frame.destination) +
                           ": not acknowledged, repeated 3 times, confirmed negatively",
                       now);
    }
    return sent;
}

void SimulatorEngine::appendLineAnswers(const SimulatedLine::Transmission& sent, Clock::time_point now,
                                        std::vector<std::vector<uint8_t>>& followUps) {
    for (const LineFrame& answer : sent.answers) {
        if (auto indication = handUp(answer, now)) followUps.push_back(std::move(*indication));
    }
}

void SimulatorEngine::appendDemoAnswer(const LineFrame& request, std::vector<std::vector<uint8_t>>& followUps) {
    if (!demo_) return;
    const auto groupRequest = groupRequestOf(request);
    if (!groupRequest) return;
    if (auto response = demo_->answer(*groupRequest)) {
        if (auto message = forHost(std::move(*response))) followUps.push_back(std::move(*message));
    }
}

// The BCU passes up group telegrams, broadcasts and frames for its own
// address; nobody acknowledges a frame for an address that is not on the
// line, and its sender gives up after its repetitions.
std::optional<std::vector<uint8_t>> SimulatorEngine::handUp(const LineFrame& frame, Clock::time_point now) {
    if (!frame.groupDestination && frame.destination != memory_.individualAddress()) {
        recorder_.note(formatIndividualAddress(frame.source) + " to " + formatIndividualAddress(frame.destination) +
                           " " + log::hex(frame.tpdu) + ": not acknowledged, repeated 3 times, given up",
                       now);
        return std::nullopt;
    }
    if (!module_) return indicationOf(frame);
    if (!modulePassesIndications(now)) return std::nullopt;
    return cemiIndicationOf(frame);
}

// The demo devices and the commands speak EMI; a module hands up the same
// telegram as its cEMI L_Data.ind. A message that is no whole EMI
// L_Data.ind goes as given, so that cEMI messages can be injected too.
std::optional<std::vector<uint8_t>> SimulatorEngine::forHost(std::vector<uint8_t> emiIndication) {
    if (!module_) return emiIndication;
    const auto frame = frameOfIndication(emiIndication);
    if (!frame) return emiIndication;
    if (!modulePassesIndications(Clock::now())) return std::nullopt;
    return cemiIndicationOf(*frame);
}

bool SimulatorEngine::modulePassesIndications(Clock::time_point now) {
    if (module_->passesLData()) return true;
    recorder_.note("no communication mode chosen since the reset: indication dropped", now);
    return false;
}

void SimulatorEngine::acknowledge(const std::vector<std::vector<uint8_t>>& followUps) {
    std::vector<uint8_t> ack;
    ack.push_back(framing::ACK);
    output_.push(LineOutput::ChunkKind::Ack, std::move(ack));
    for (const std::vector<uint8_t>& message : followUps) queueOwnFrame(message);
}

void SimulatorEngine::queueOwnFrame(std::vector<uint8_t> message) {
    if (awaitingReset_) {
        recorder_.note("not reset since plugged in: own frame dropped", Clock::now());
        return;
    }
    const size_t size = message.size();
    switch (uplink_.enqueue(std::move(message))) {
    case UplinkSender::EnqueueResult::Queued:
        return;
    case UplinkSender::EnqueueResult::WrongSize:
        recorder_.note("EMI message of " + std::to_string(size) + " bytes refused: 1 to " +
                           std::to_string(framing::MESSAGE_LIMIT) + " fit a frame",
                       Clock::now());
        return;
    case UplinkSender::EnqueueResult::QueueFull:
        recorder_.note("frame queue full (" + std::to_string(uplink_.queued()) + " waiting): frame dropped",
                       Clock::now());
        return;
    }
}

void SimulatorEngine::checkUplinkTimeout(Clock::time_point now) {
    const auto timeout = uplink_.checkTimeout(now);
    if (!timeout) return;
    if (*timeout == UplinkSender::Timeout::Repeat) {
        recorder_.note("no 0xE5 from the host: repeating the frame", now);
        return;
    }
    recorder_.countFrameDropped();
    recorder_.note("no 0xE5 from the host after the last repeat: frame given up", now);
}

void SimulatorEngine::startNextTransmission() {
    if (silent_ || !pty_.isOpen()) return;
    auto transmission = uplink_.takeTransmission();
    if (!transmission) return;
    if (transmission->repeat) {
        recorder_.countRepeat();
    } else {
        recorder_.countFrameSent();
    }
    output_.push(LineOutput::ChunkKind::Frame, std::move(transmission->bytes));
}

void SimulatorEngine::tickDemo(Clock::time_point now) {
    if (!demo_) return;
    for (std::vector<uint8_t>& message : demo_->tick(now)) {
        // A silent or unplugged BCU loses what the devices send meanwhile.
        if (silent_ || !pty_.isOpen()) continue;
        if (auto forTheHost = forHost(std::move(message))) queueOwnFrame(std::move(*forTheHost));
    }
}

void SimulatorEngine::tickLine(Clock::time_point now) {
    for (const LineFrame& frame : line_.tick(now)) {
        auto indication = handUp(frame, now);
        if (indication && !silent_ && pty_.isOpen()) queueOwnFrame(std::move(*indication));
    }
}

void SimulatorEngine::writeOutput(Clock::time_point now) {
    if (!pty_.isOpen()) return;
    auto written = output_.writeDue(pty_.master.get(), now);
    if (!written.ok()) {
        recorder_.note("writing the pty master failed: " + errorText(written.error()), now);
        hangUp();
        return;
    }
    for (const std::vector<uint8_t>& piece : written.value().pieces) {
        recorder_.recordBytes(Direction::ToHost, piece, now);
    }
    if (written.value().framesCompleted == 0) return;
    uplink_.transmissionWritten(now);
    // The host may have acknowledged at the header, while the frame was still
    // going out: then the next one is free to follow at once.
    startNextTransmission();
}

void SimulatorEngine::injectIndication(std::vector<uint8_t> message) {
    if (auto forTheHost = forHost(std::move(message))) queueOwnFrame(std::move(*forTheHost));
}

void SimulatorEngine::injectRaw(std::vector<uint8_t> bytes) {
    output_.push(LineOutput::ChunkKind::Raw, std::move(bytes));
}

void SimulatorEngine::setAckMode(AckMode mode, std::chrono::milliseconds delay) {
    ackMode_ = mode;
    ackDelay_ = delay;
    switch (mode) {
    case AckMode::Normal:
        recorder_.note("0xE5 at once", Clock::now());
        return;
    case AckMode::None:
        recorder_.note("0xE5 withheld", Clock::now());
        return;
    case AckMode::Late:
        recorder_.note("0xE5 " + std::to_string(delay.count()) + " ms late", Clock::now());
        return;
    }
}

void SimulatorEngine::sendGarbage(size_t count) {
    std::vector<uint8_t> bytes;
    const size_t kept = std::min(count, kGarbageLimit);
    for (size_t i = 0; i < kept; ++i) bytes.push_back(static_cast<uint8_t>(garbage_()));
    output_.push(LineOutput::ChunkKind::Raw, std::move(bytes));
}

void SimulatorEngine::hangUp() {
    if (!pty_.isOpen()) return;
    output_.clear();
    pty_.hangUp();
    recorder_.note("hung up", Clock::now());
}

std::optional<std::string> SimulatorEngine::replug() {
    hangUp();
    auto pty = openPtyPair();
    if (!pty.ok()) {
        recorder_.note("cannot open a new pty: " + errorText(pty.error()), Clock::now());
        return std::nullopt;
    }
    pty_ = pty.take();
    hostStream_ = {};
    uplink_.reset();
    awaitingReset_ = true;
    if (module_) module_->restart();
    recorder_.note("plugged in again on " + pty_.slavePath, Clock::now());
    return pty_.slavePath;
}

void SimulatorEngine::setProgrammingMode(uint16_t device, bool on) {
    const std::string name = formatIndividualAddress(device);
    if (!line_.setProgrammingMode(device, on)) {
        recorder_.note("no simulated device " + name + " to put into programming mode", Clock::now());
        return;
    }
    recorder_.note(name + (on ? " in programming mode" : " out of programming mode"), Clock::now());
}

void SimulatorEngine::setSilent(bool on) {
    silent_ = on;
    recorder_.note(on ? "silent: no answer to anything" : "answering again", Clock::now());
}

}  // namespace lintor::bcusim
