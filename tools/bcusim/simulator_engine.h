#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "platform/pty.h"
#include "tools/bcusim/bcu_memory.h"
#include "tools/bcusim/cemi_server.h"
#include "tools/bcusim/command_queue.h"
#include "tools/bcusim/demo_bus.h"
#include "tools/bcusim/host_stream.h"
#include "tools/bcusim/line_frame.h"
#include "tools/bcusim/line_output.h"
#include "tools/bcusim/simulated_line.h"
#include "tools/bcusim/simulator_options.h"
#include "tools/bcusim/timer_queue.h"
#include "tools/bcusim/traffic_recorder.h"
#include "tools/bcusim/uplink_sender.h"

namespace lintor::bcusim {

// The BCU itself, on the simulator's own thread: reads the host's units from
// the pty master, answers them, and sends its own frames. Every member
// function runs on that thread; other threads reach it through commands.
class SimulatorEngine {
public:
    using Clock = std::chrono::steady_clock;

    SimulatorEngine(const Options& options, PtyPair pty, TrafficRecorder& recorder, Clock::time_point start);

    // Returns once the queue asks to stop.
    void run(CommandQueue& commands);

    void injectIndication(std::vector<uint8_t> message);
    void injectRaw(std::vector<uint8_t> bytes);
    void setAckMode(AckMode mode, std::chrono::milliseconds delay);
    void setByteGap(std::chrono::milliseconds gap) { output_.setByteGap(gap); }
    void setRepeatFrames(bool on) { uplink_.setDuplicates(on); }
    void sendGarbage(size_t count);
    void hangUp();
    // The new pty's slave, or nothing when no pty could be opened.
    std::optional<std::string> replug();
    void setSilent(bool on);
    void setProgrammingMode(uint16_t device, bool on);
    std::vector<SimulatedLine::DeviceState> devices() const { return line_.devices(); }

private:
    bool serviceCommands(CommandQueue& commands);
    void runDueWork(Clock::time_point now);
    int pollTimeout(Clock::time_point now) const;
    std::vector<uint8_t> readHost(Clock::time_point now);

    void handleHostBytes(std::span<const uint8_t> bytes, Clock::time_point now);
    void handleUnit(const HostUnit& unit, Clock::time_point now);
    void actOn(const HostUnit& unit, Clock::time_point now);
    void answerFrame(const HostUnit& unit, Clock::time_point now);
    std::vector<std::vector<uint8_t>> followUpsOf(std::span<const uint8_t> message, Clock::time_point now);
    std::vector<std::vector<uint8_t>> moduleFollowUpsOf(std::span<const uint8_t> message, Clock::time_point now);
    SimulatedLine::Transmission transmit(const LineFrame& frame, Clock::time_point now);
    void appendLineAnswers(const SimulatedLine::Transmission& sent, Clock::time_point now,
                           std::vector<std::vector<uint8_t>>& followUps);
    void appendDemoAnswer(const LineFrame& request, std::vector<std::vector<uint8_t>>& followUps);
    std::optional<std::vector<uint8_t>> handUp(const LineFrame& frame, Clock::time_point now);
    std::optional<std::vector<uint8_t>> forHost(std::vector<uint8_t> emiIndication);
    bool modulePassesIndications(Clock::time_point now);
    void acknowledge(const std::vector<std::vector<uint8_t>>& followUps);

    void queueOwnFrame(std::vector<uint8_t> message);
    void checkUplinkTimeout(Clock::time_point now);
    void startNextTransmission();
    void tickDemo(Clock::time_point now);
    void tickLine(Clock::time_point now);
    void writeOutput(Clock::time_point now);

    PtyPair pty_;
    TrafficRecorder& recorder_;
    HostStream hostStream_;
    UplinkSender uplink_;
    LineOutput output_;
    TimerQueue timers_;
    std::optional<DemoBus> demo_;
    // The management devices are there with or without the demo traffic.
    SimulatedLine line_;
    BcuMemory memory_;
    // In cEMI mode: the module's management and communication mode.
    std::optional<CemiServer> module_;
    std::mt19937 garbage_;
    AckMode ackMode_ = AckMode::Normal;
    std::chrono::milliseconds ackDelay_{0};
    bool silent_ = false;
    // After a replug the BCU is in its default mode: nothing of its own goes
    // out until the host has reset the link.
    bool awaitingReset_ = false;
};

}  // namespace lintor::bcusim
