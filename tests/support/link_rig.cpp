#include "tests/support/link_rig.h"

#include <gtest/gtest.h>

#include "link/bus_message.h"
#include "tests/support/bytes.h"
#include "tests/support/event_loop.h"

namespace lintor::test {

using namespace std::chrono_literals;

LinkRig::LinkRig(std::string deviceOverride, bcusim::Options options) {
    auto started = bcusim::BcuSimulator::start(options);
    if (!started.ok()) {
        ADD_FAILURE() << "simulator did not start: " << errorText(started.error());
        return;
    }
    sim = started.take();
    loop = makeLoop(clock);
    link =
        std::make_unique<SerialLink>(*loop, *this, opener, deviceOverride.empty() ? sim->devicePath() : deviceOverride);
    startup = std::make_unique<BcuStartup>([this](std::span<const uint8_t> record) { return link->send(record); },
                                           [this](BcuInitStep step) { steps.push_back(step); });
}

void LinkRig::recordFromBus(std::span<const uint8_t> record) {
    if (record.size() >= kRecordHeaderSize) {
        const auto header = decodeHeader(record.first<kRecordHeaderSize>());
        if (header.type == MSG_BCU_ACK) startup->handleAcknowledgement(header);
    }
    records.emplace_back(record.begin(), record.end());
}

void LinkRig::linkDown() {
    ++downs;
    startup->halt();
}

void LinkRig::bcuReset() {
    ++resets;
    startup->restart();
}

bool LinkRig::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!done() && Clock::now() < deadline) loop->runOnce(10ms);
    return done();
}

void LinkRig::pumpFor(std::chrono::milliseconds duration) {
    pumpUntil([] { return false; }, duration);
}

std::vector<bcusim::HostUnit> LinkRig::hostFrames() const {
    std::vector<bcusim::HostUnit> frames;
    for (auto& unit : sim->hostUnits()) {
        if (unit.kind != bcusim::HostUnitKind::Ack) frames.push_back(unit);
    }
    return frames;
}

std::vector<std::string> LinkRig::hostFrameTexts() const {
    std::vector<std::string> out;
    for (const auto& frame : hostFrames()) out.push_back(hex(frame.bytes));
    return out;
}

LinkRig::Clock::time_point LinkRig::lastBcuOutputBefore(Clock::time_point time) const {
    Clock::time_point last{};
    for (const auto& entry : sim->traffic()) {
        if (entry.direction == bcusim::Direction::ToHost && entry.time < time) last = entry.time;
    }
    return last;
}

std::string LinkRig::trafficLog() const {
    std::string out;
    const auto traffic = sim->traffic();
    if (traffic.empty()) return "no traffic\n";
    const auto start = traffic.front().time;
    for (const auto& entry : traffic) {
        out += std::to_string(millisBetween(start, entry.time).count()) + " ms ";
        out += entry.direction == bcusim::Direction::ToHost ? " bcu> " : "host> ";
        out += hex(entry.bytes) + "\n";
    }
    return out;
}

std::vector<std::string> LinkRig::recordTexts() const {
    std::vector<std::string> out;
    for (const auto& record : records) out.push_back(hex(record));
    return out;
}

std::chrono::milliseconds millisBetween(LinkRig::Clock::time_point from, LinkRig::Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from);
}

}  // namespace lintor::test
