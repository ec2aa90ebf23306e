#include "tools/bcusim/demo_bus.h"

#include <algorithm>
#include <cmath>

#include "dpt/knx_float.h"
#include "tools/bcusim/demo_devices.h"

namespace lintor::bcusim {
namespace {

using Kind = DemoBus::DeviceKind;
using std::chrono::milliseconds;

// Groups 1/1/1, 1/1/2, 1/2/1, 3/1/1 and 4/0/1.
constexpr std::array<DemoBus::DeviceProfile, 5> kDevices{{
    {Kind::Switch, DEMO_DEVICE_ADDRESSES[0], 0x0901, SIX_BIT_VALUE},
    {Kind::Switch, DEMO_DEVICE_ADDRESSES[1], 0x0902, SIX_BIT_VALUE},
    {Kind::Dimmer, DEMO_DEVICE_ADDRESSES[2], 0x0A01, 1},
    {Kind::TemperatureSensor, DEMO_DEVICE_ADDRESSES[3], 0x1901, 2},
    {Kind::EnergyMeter, DEMO_DEVICE_ADDRESSES[4], 0x2001, 4},
}};

constexpr milliseconds kFirstSendSpread{2000};
constexpr milliseconds kShortestInterval{2000};
constexpr milliseconds kLongestInterval{8000};

constexpr double kRoomTemperature = 21.0;
// Each reading moves by at most this, and a tenth of the way back to the
// room temperature, so the value wanders without running away.
constexpr double kTemperatureStep = 0.2;
constexpr double kPullBack = 0.1;
constexpr int kTemperatureSteps = 20;  // resolution of the random step

constexpr uint32_t kMeterStart = 123456;
constexpr int kMeterLargestIncrease = 40;

uint32_t initialValue(Kind kind) {
    if (kind == Kind::TemperatureSensor) return dpt::encodeKnxFloatClamped(kRoomTemperature);
    if (kind == Kind::EnergyMeter) return kMeterStart;
    return 0;
}

}  // namespace

DemoBus::DemoBus(uint32_t seed, Clock::time_point quietUntil) : random_(seed) {
    for (const DeviceProfile& profile : kDevices) {
        Device device;
        device.profile = profile;
        device.temperature = kRoomTemperature;
        device.value = initialValue(profile.kind);
        device.nextSend = quietUntil + randomDelay(milliseconds{0}, kFirstSendSpread);
        devices_.push_back(device);
    }
}

std::vector<std::vector<uint8_t>> DemoBus::tick(Clock::time_point now) {
    std::vector<std::vector<uint8_t>> messages;
    for (Device& device : devices_) {
        if (device.nextSend > now) continue;
        advance(device);
        if (auto message = telegramOf(device, GroupService::Write)) messages.push_back(std::move(*message));
        device.nextSend = now + randomDelay(kShortestInterval, kLongestInterval);
    }
    return messages;
}

DemoBus::Clock::time_point DemoBus::nextDue() const {
    return std::ranges::min(devices_, {}, &Device::nextSend).nextSend;
}

void DemoBus::advance(Device& device) {
    switch (device.profile.kind) {
    case Kind::Switch:
        device.value ^= 1;
        return;
    case Kind::Dimmer:
        device.value = static_cast<uint32_t>(randomBetween(0, 255));
        return;
    case Kind::TemperatureSensor: {
        const int steps = randomBetween(-kTemperatureSteps, kTemperatureSteps);
        const double step = kTemperatureStep * steps / kTemperatureSteps;
        device.temperature += step + (kRoomTemperature - device.temperature) * kPullBack;
        device.value = dpt::encodeKnxFloatClamped(std::round(device.temperature * 100.0) / 100.0);
        return;
    }
    case Kind::EnergyMeter:
        device.value += static_cast<uint32_t>(randomBetween(1, kMeterLargestIncrease));
        return;
    }
}

std::optional<std::vector<uint8_t>> DemoBus::answer(const GroupRequest& request) {
    Device* device = find(request.group);
    if (!device) return std::nullopt;
    const DeviceProfile& profile = device->profile;
    if (request.service == GroupService::Read) return telegramOf(*device, GroupService::Response);
    const bool settable = profile.kind == Kind::Switch || profile.kind == Kind::Dimmer;
    if (request.service == GroupService::Write && settable && request.dataBytes == profile.dataBytes) {
        device->value = profile.kind == Kind::Switch ? (request.value & 1) : request.value;
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> DemoBus::telegramOf(const Device& device, GroupService service) {
    const DeviceProfile& profile = device.profile;
    return groupIndication(service, profile.source, profile.group, device.value, profile.dataBytes);
}

std::optional<uint32_t> DemoBus::valueOf(uint16_t group) const {
    const Device* device = find(group);
    if (!device) return std::nullopt;
    return device->value;
}

milliseconds DemoBus::randomDelay(milliseconds low, milliseconds high) {
    return milliseconds{randomBetween(static_cast<int>(low.count()), static_cast<int>(high.count()))};
}

// Plain modulo rather than a standard distribution, whose results differ
// between standard libraries: the same seed gives the same run everywhere.
int DemoBus::randomBetween(int low, int high) {
    const auto span = static_cast<uint32_t>(high - low + 1);
    return low + static_cast<int>(random_() % span);
}

DemoBus::Device* DemoBus::find(uint16_t group) {
    const auto it = std::ranges::find(devices_, group, [](const Device& d) { return d.profile.group; });
    return it == devices_.end() ? nullptr : &*it;
}

const DemoBus::Device* DemoBus::find(uint16_t group) const {
    const auto it = std::ranges::find(devices_, group, [](const Device& d) { return d.profile.group; });
    return it == devices_.end() ? nullptr : &*it;
}

}  // namespace lintor::bcusim
