#include "tools/bcusim/bcu_simulator.h"

#include <future>

namespace lintor::bcusim {

SysResult<std::unique_ptr<BcuSimulator>> BcuSimulator::start(const Options& options) {
    using Result = SysResult<std::unique_ptr<BcuSimulator>>;
    auto pty = openPtyPair();
    if (!pty.ok()) return Result::failure(pty.error());
    auto wake = WakeEvent::create();
    if (!wake.ok()) return Result::failure(wake.error());
    const auto now = std::chrono::steady_clock::now();
    auto simulator = std::unique_ptr<BcuSimulator>(new BcuSimulator(options, pty.take(), wake.take(), now));
    if (!options.linkPath.empty()) {
        if (const int error = simulator->createLink(options.linkPath); error != 0) return Result::failure(error);
    }
    return simulator;
}

BcuSimulator::BcuSimulator(const Options& options, PtyPair pty, WakeEvent wake,
                           std::chrono::steady_clock::time_point start)
    : devicePath_(pty.slavePath),
      recorder_(start, options.log, options.historyLimit),
      commands_(std::move(wake)),
      engine_(options, std::move(pty), recorder_, start),
      thread_([this] { engine_.run(commands_); }) {}

BcuSimulator::~BcuSimulator() {
    commands_.requestStop();
    thread_.join();
}

void BcuSimulator::injectIndication(std::vector<uint8_t> emiMessage) {
    commands_.post([this, message = std::move(emiMessage)]() mutable { engine_.injectIndication(std::move(message)); });
}

bool BcuSimulator::injectGroupWrite(uint16_t groupAddress, uint32_t value, int dataBytes, uint16_t source) {
    auto message = groupIndication(GroupService::Write, source, groupAddress, value, dataBytes);
    if (!message) return false;
    injectIndication(std::move(*message));
    return true;
}

void BcuSimulator::injectRaw(std::vector<uint8_t> bytes) {
    commands_.post([this, raw = std::move(bytes)]() mutable { engine_.injectRaw(std::move(raw)); });
}

void BcuSimulator::setAckMode(AckMode mode, std::chrono::milliseconds delay) {
    commands_.post([this, mode, delay] { engine_.setAckMode(mode, delay); });
}

void BcuSimulator::setByteGap(std::chrono::milliseconds gap) {
    commands_.post([this, gap] { engine_.setByteGap(gap); });
}

void BcuSimulator::setRepeatFrames(bool on) {
    commands_.post([this, on] { engine_.setRepeatFrames(on); });
}

void BcuSimulator::sendGarbage(size_t count) {
    commands_.post([this, count] { engine_.sendGarbage(count); });
}

void BcuSimulator::hangUp() {
    commands_.post([this] {
        engine_.hangUp();
        // An unplugged adapter's name goes with it; a stale link could
        // otherwise lead to whatever pty gets the old number next.
        link_.remove();
    });
}

int BcuSimulator::createLink(const std::string& linkPath) {
    // Before any command can reach the thread: nothing else touches the link yet.
    std::promise<int> created;
    auto result = created.get_future();
    commands_.post([this, &created, linkPath] {
        const int error = link_.create(linkPath, devicePath_);
        if (error == 0) devicePath_ = linkPath;
        created.set_value(error);
    });
    return result.get();
}

void BcuSimulator::replug() {
    commands_.post([this] {
        const auto slave = engine_.replug();
        if (slave && !link_.path().empty()) link_.create(link_.path(), *slave);
    });
}

void BcuSimulator::setSilent(bool on) {
    commands_.post([this, on] { engine_.setSilent(on); });
}

void BcuSimulator::setProgrammingMode(uint16_t device, bool on) {
    commands_.post([this, device, on] { engine_.setProgrammingMode(device, on); });
}

std::vector<SimulatedLine::DeviceState> BcuSimulator::devices() {
    std::promise<std::vector<SimulatedLine::DeviceState>> taken;
    auto result = taken.get_future();
    commands_.post([this, &taken] { taken.set_value(engine_.devices()); });
    return result.get();
}

}  // namespace lintor::bcusim
