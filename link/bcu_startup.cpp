#include "link/bcu_startup.h"

#include <array>
#include <span>
#include <string_view>

#include "link/serial_link.h"

namespace lintor {
namespace {

// MSG_RAW_TO_BCU records whose payloads are complete FT1.2 frames.
constexpr std::array<uint8_t, 8> kResetRecord{0x00, 0x80, 0x04, 0x00, 0x10, 0x40, 0x40, 0x16};
// PEI_Switch.req with the fixed switch settings.
constexpr std::array<uint8_t, 18> kPeiSwitchRecord{0x00, 0x80, 0x0E, 0x00, 0x68, 0x08, 0x08, 0x68, 0x73,
                                                   0xA9, 0x96, 0x18, 0x34, 0x56, 0x78, 0x0A, 0xD6, 0x16};
// PC_Set_Value.req writing 0 to 0x0116, the length of the group address table.
constexpr std::array<uint8_t, 16> kAddressTableRecord{0x00, 0x80, 0x0C, 0x00, 0x68, 0x06, 0x06, 0x68,
                                                      0x53, 0xA6, 0x01, 0x01, 0x16, 0x00, 0x11, 0x16};

struct InitStep {
    std::string_view text;
    std::span<const uint8_t> record;
};

// Indexed by bcuInitState.
constexpr std::array<InitStep, 4> kInitSteps{{
    {"connected to BCU", {}},
    {"set Addr-Table..", kAddressTableRecord},
    {"PEI_switch..", kPeiSwitchRecord},
    {"reset..", kResetRecord},
}};

}  // namespace

void BcuStartup::performInitStep() {
    if (bcuInitState_ < 0 || bcuInitState_ >= static_cast<int32_t>(kInitSteps.size())) return;
    const InitStep& step = kInitSteps[static_cast<size_t>(bcuInitState_)];
    owner_.setStatusText(StatusField::Bcu, std::string(step.text));
    if (!step.record.empty()) link_.writeDownlink(step.record);
}

void BcuStartup::handleAcknowledgement(const RecordHeader& header) {
    if (bcuInitState_ <= 0 || header.length != 0) return;
    --bcuInitState_;
    owner_.post({WM_BCU_INIT_STEP, 0, 0});
}

}  // namespace lintor
