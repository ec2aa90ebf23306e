#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "tools/bcusim/group_telegram.h"

namespace lintor::bcusim {

// A handful of devices on a quiet installation: two switches, a dimmer, a
// temperature sensor and an energy meter, each sending its value every few
// seconds. Seeded, so a run can be repeated; no clock of its own.
class DemoBus {
public:
    using Clock = std::chrono::steady_clock;

    enum class DeviceKind { Switch, Dimmer, TemperatureSensor, EnergyMeter };

    struct DeviceProfile {
        DeviceKind kind;
        uint16_t source;  // individual address
        uint16_t group;
        int dataBytes;
    };

    DemoBus(uint32_t seed, Clock::time_point quietUntil);

    // The L_Data.ind of every device whose turn has come by now.
    std::vector<std::vector<uint8_t>> tick(Clock::time_point now);
    Clock::time_point nextDue() const;

    // A read of a device's group gets its value back as a response; a write
    // to a switch or the dimmer sets its state.
    std::optional<std::vector<uint8_t>> answer(const GroupRequest& request);

    // The value a device would send now.
    std::optional<uint32_t> valueOf(uint16_t group) const;

private:
    struct Device {
        DeviceProfile profile{};
        uint32_t value = 0;
        double temperature = 0;
        Clock::time_point nextSend;
    };

    void advance(Device& device);
    static std::optional<std::vector<uint8_t>> telegramOf(const Device& device, GroupService service);
    std::chrono::milliseconds randomDelay(std::chrono::milliseconds low, std::chrono::milliseconds high);
    int randomBetween(int low, int high);
    Device* find(uint16_t group);
    const Device* find(uint16_t group) const;

    std::mt19937 random_;
    std::vector<Device> devices_;
};

}  // namespace lintor::bcusim
