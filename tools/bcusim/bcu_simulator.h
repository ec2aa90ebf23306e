#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/sys_result.h"
#include "tools/bcusim/command_queue.h"
#include "tools/bcusim/device_link.h"
#include "tools/bcusim/group_telegram.h"
#include "tools/bcusim/host_stream.h"
#include "tools/bcusim/simulator_engine.h"
#include "tools/bcusim/simulator_options.h"
#include "tools/bcusim/traffic_recorder.h"

namespace lintor::bcusim {

// A BCU on a pseudo-terminal, for the gateway's serial code to talk to like
// to any serial device. It acknowledges the host's frames, confirms its
// requests and sends indications of its own, and can be told to misbehave.
// Runs its own thread from start() to destruction; every member function
// may be called from any thread. Commands take effect on that thread, in
// order, and before any byte the host writes after the call.
class BcuSimulator {
public:
    static SysResult<std::unique_ptr<BcuSimulator>> start(const Options& options);
    ~BcuSimulator();
    BcuSimulator(const BcuSimulator&) = delete;
    BcuSimulator& operator=(const BcuSimulator&) = delete;

    // The pty slave, to be opened as the serial device.
    const std::string& devicePath() const { return devicePath_; }

    // Queues one frame of the BCU's with this EMI message (1 to 25 bytes).
    // A cEMI module (Options::interface) sends an EMI L_Data.ind as its
    // cEMI L_Data.ind, and any other message as given.
    void injectIndication(std::vector<uint8_t> emiMessage);
    // Queues the L_Data.ind of a group value write; dataBytes is
    // SIX_BIT_VALUE, 1, 2 or 4. False, with nothing queued, for a size that
    // does not exist or a value that does not fit it.
    bool injectGroupWrite(uint16_t groupAddress, uint32_t value, int dataBytes, uint16_t source = DEFAULT_SOURCE);
    // Bytes straight onto the line, outside frames and acknowledgements.
    void injectRaw(std::vector<uint8_t> bytes);

    void setAckMode(AckMode mode, std::chrono::milliseconds delay = {});
    // 0 writes whole chunks at once; more sends every byte on its own, this
    // far apart.
    void setByteGap(std::chrono::milliseconds gap);
    // Every own frame twice back to back, as a repetition on the bus would.
    void setRepeatFrames(bool on);
    // Pseudo-random bytes from the seed, any value included.
    void sendGarbage(size_t count);
    // Closes our ends of the pty: the host sees POLLHUP, reads end of file
    // and fails to write with EIO, as when the adapter is unplugged; a link
    // (Options::linkPath) disappears with it. The simulator does nothing more
    // on the line until replug().
    void hangUp();
    // A new pty in place of the old one, which is hung up first if it is
    // still open; with Options::linkPath the link then names the new one.
    // The BCU comes back in its default mode: without memory of frames it
    // had not sent yet, and sending nothing of its own until the host has
    // reset the link. A cEMI module has no communication mode again.
    void replug();
    // No 0xE5, no confirmation, no frame of its own: nothing connected.
    void setSilent(bool on);

    // Puts a simulated device (by its current address) into programming
    // mode or out of it, as its button would.
    void setProgrammingMode(uint16_t device, bool on);
    // The simulated devices as they are now, once the commands before the
    // call have taken effect.
    std::vector<SimulatedLine::DeviceState> devices();

    std::vector<TrafficEntry> traffic() const { return recorder_.traffic(); }
    std::vector<HostUnit> hostUnits() const { return recorder_.hostUnits(); }
    // True once count units have come from the host since the start. A unit
    // counts once the simulator has acted on it: its answer is queued and
    // the counters include it.
    bool waitForHostUnits(size_t count, std::chrono::milliseconds timeout) const {
        return recorder_.waitForHostUnits(count, timeout);
    }
    SimulatorCounters counters() const { return recorder_.counters(); }

private:
    int createLink(const std::string& linkPath);
    BcuSimulator(const Options& options, PtyPair pty, WakeEvent wake, std::chrono::steady_clock::time_point start);

    std::string devicePath_;
    // Touched on the simulator's thread only, once constructed.
    DeviceLink link_;
    TrafficRecorder recorder_;
    CommandQueue commands_;
    SimulatorEngine engine_;
    std::thread thread_;
};

}  // namespace lintor::bcusim
