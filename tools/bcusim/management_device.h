#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "link/tpdu.h"
#include "tools/bcusim/device_memory.h"
#include "tools/bcusim/device_properties.h"

namespace lintor::bcusim {

// What sets a device's management apart: BCU 1 (mask version 0012) has
// neither interface objects nor access control, BCU 2 (0020) has both,
// and both keep the programming mode in bit 0 of memory byte 0x0060; a
// System 7 device (07xx) keeps it in the device object's PID_PROGMODE.
enum class DeviceGeneration { Bcu1, Bcu2, System7 };
DeviceGeneration generationOf(uint16_t maskVersion);

struct DeviceIdentity {
    uint16_t address = 0;
    uint16_t maskVersion = 0;
    uint16_t manufacturer = 0;
    std::array<uint8_t, 6> serialNumber{};
};

// The application layer of a simulated device: the management services a
// host uses to identify, address and configure it. No transport, no time.
class ManagementDevice {
public:
    explicit ManagementDevice(const DeviceIdentity& identity);

    struct Reply {
        std::optional<tpdu::Pdu> answer;
        bool restarted = false;  // the device dropped everything and left programming mode
    };
    // A request addressed to the device, over a connection or without one.
    Reply handle(const tpdu::Pdu& request);
    // A broadcast: only a device in programming mode takes part.
    std::optional<tpdu::Pdu> handleBroadcast(const tpdu::Pdu& request);

    uint16_t address() const { return address_; }
    uint16_t maskVersion() const { return object_.maskVersion; }
    bool programmingMode() const { return object_.programmingMode; }
    void setProgrammingMode(bool on);
    std::span<const uint8_t> memory() const { return memory_.bytes(); }

private:
    std::optional<tpdu::Pdu> readMemory(const tpdu::Pdu& request) const;
    void writeMemory(const tpdu::Pdu& request);
    std::optional<tpdu::Pdu> answerProperty(const tpdu::Pdu& request);
    std::optional<tpdu::Pdu> authorize(const tpdu::Pdu& request) const;
    void setAddress(uint16_t address);
    bool memoryHoldsState() const { return generation_ != DeviceGeneration::System7; }

    DeviceGeneration generation_;
    uint16_t address_;
    DeviceObjectState object_;
    DeviceMemory memory_;
};

}  // namespace lintor::bcusim
