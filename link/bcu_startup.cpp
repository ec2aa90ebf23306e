#include "link/bcu_startup.h"

#include <algorithm>
#include <array>
#include <span>

#include "link/emi.h"
#include "link/ft12.h"

namespace lintor {
namespace {

template <size_t N>
constexpr std::array<uint8_t, kRecordHeaderSize + N> record(uint16_t type, const std::array<uint8_t, N>& payload) {
    std::array<uint8_t, kRecordHeaderSize + N> out{};
    const auto header = encodeHeader({type, static_cast<uint16_t>(N)});
    std::copy(header.begin(), header.end(), out.begin());
    std::copy(payload.begin(), payload.end(), out.begin() + kRecordHeaderSize);
    return out;
}

// The reset goes out raw; the two messages are framed by the link, whose
// frame count the reset has just restarted: 0x73, then 0x53.
constexpr auto kResetRecord = record(MSG_RAW_TO_BCU, ft12::RESET_FRAME);
// PEI_Switch.req with the fixed switch settings.
constexpr auto kPeiSwitchRecord =
    record(MSG_DATA_TO_BCU, std::array<uint8_t, 7>{emi::PEI_SWITCH_REQ, 0x96, 0x18, 0x34, 0x56, 0x78, 0x0A});
// PC_Set_Value.req writing one byte, 0, to 0x0116: the length of the group
// address table.
constexpr auto kAddressTableRecord =
    record(MSG_DATA_TO_BCU, std::array<uint8_t, 5>{emi::PC_SET_VALUE_REQ, 0x01, 0x01, 0x16, 0x00});

struct InitStep {
    BcuInitStep step;
    std::span<const uint8_t> record;
    const char* name;  // for log lines
};

// Indexed by bcuInitState.
constexpr std::array<InitStep, 4> kInitSteps{{
    {BcuInitStep::Connected, {}, "connection"},
    {BcuInitStep::AddressTable, kAddressTableRecord, "address table"},
    {BcuInitStep::PeiSwitch, kPeiSwitchRecord, "PEI switch"},
    {BcuInitStep::Reset, kResetRecord, "reset"},
}};
static_assert(kInitSteps.size() == BcuStartup::INITIAL_STATE + 1);

}  // namespace

const char* bcuInitStepName(BcuInitStep step) {
    const auto index = static_cast<size_t>(step);
    return index < kInitSteps.size() ? kInitSteps[index].name : "connection";
}

void BcuStartup::restart() {
    halted_ = false;
    bcuInitState_ = INITIAL_STATE;
    performInitStep();
}

void BcuStartup::halt() {
    halted_ = true;
    bcuInitState_ = INITIAL_STATE;
}

void BcuStartup::performInitStep() {
    if (halted_) return;
    if (bcuInitState_ < 0 || bcuInitState_ >= static_cast<int32_t>(kInitSteps.size())) return;
    const InitStep& step = kInitSteps[static_cast<size_t>(bcuInitState_)];
    stepReached_(step.step);
    if (!step.record.empty()) send_(step.record);
}

void BcuStartup::handleAcknowledgement(const RecordHeader& header) {
    if (halted_ || bcuInitState_ <= 0 || header.length != 0) return;
    --bcuInitState_;
    performInitStep();
}

}  // namespace lintor
