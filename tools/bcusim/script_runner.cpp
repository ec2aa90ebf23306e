#include "tools/bcusim/script_runner.h"

#include <poll.h>

#include <cerrno>

namespace lintor::bcusim {
namespace {

template <typename... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
template <typename... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

}  // namespace

ScriptRunner::Outcome ScriptRunner::run(const ScriptCommand& command) {
    if (std::holds_alternative<QuitCommand>(command)) return Outcome::Quit;
    if (const auto* pause = std::get_if<SleepCommand>(&command)) return sleep(pause->duration);

    BcuSimulator& sim = simulator_;
    std::visit(Overloaded{
                   [&](const IndicationCommand& c) { sim.injectIndication(c.message); },
                   [&](const GroupWriteCommand& c) { sim.injectGroupWrite(c.group, c.value, c.dataBytes); },
                   [&](const RawCommand& c) { sim.injectRaw(c.bytes); },
                   [&](const AckCommand& c) { sim.setAckMode(c.mode, c.delay); },
                   [&](const ByteGapCommand& c) { sim.setByteGap(c.gap); },
                   [&](const RepeatCommand& c) { sim.setRepeatFrames(c.on); },
                   [&](const GarbageCommand& c) { sim.sendGarbage(c.count); },
                   [&](const SilentCommand& c) { sim.setSilent(c.on); },
                   [&](const ProgrammingModeCommand& c) { sim.setProgrammingMode(c.device, c.on); },
                   [&](const HangUpCommand&) { sim.hangUp(); },
                   [&](const ReplugCommand&) { sim.replug(); },
                   [](const SleepCommand&) {},
                   [](const QuitCommand&) {},
               },
               command);
    return Outcome::Continue;
}

ScriptRunner::Outcome ScriptRunner::sleep(std::chrono::milliseconds duration) const {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return Outcome::Continue;
        pollfd p{interruptFd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready > 0) return Outcome::Interrupted;
        if (ready < 0 && errno != EINTR) return Outcome::Continue;
    }
}

}  // namespace lintor::bcusim
