#include "link/bcu_startup.h"

#include <algorithm>
#include <array>
#include <span>

#include "link/cemi.h"
#include "link/cemi_property.h"
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

// M_PropWrite.req: the cEMI server object's communication mode, one element
// from index 1, the data link layer.
constexpr auto kCommModeRecord =
    record(MSG_NATIVE_TO_BCU, std::array<uint8_t, 8>{cemi::M_PROPWRITE_REQ, 0x00, cemi::object::CEMI_SERVER, 0x01,
                                                     cemi::property::COMM_MODE, 0x10, 0x01, cemi::COMM_MODE_DATA_LINK});

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

constexpr std::array<InitStep, 3> kModuleSteps{{
    {BcuInitStep::Connected, {}, "connection"},
    {BcuInitStep::CommMode, kCommModeRecord, "communication mode"},
    {BcuInitStep::Reset, kResetRecord, "reset"},
}};

std::span<const InitStep> stepsFor(BusInterface interface) {
    if (interface == BusInterface::Cemi) return kModuleSteps;
    return kInitSteps;
}

}  // namespace

const char* bcuInitStepName(BcuInitStep step) {
    for (const auto steps : {std::span<const InitStep>(kInitSteps), std::span<const InitStep>(kModuleSteps)}) {
        const auto found = std::ranges::find(steps, step, &InitStep::step);
        if (found != steps.end()) return found->name;
    }
    return "connection";
}

BcuStartup::BcuStartup(RecordSink send, StepSink stepReached, BusInterface interface)
    : send_(std::move(send)),
      stepReached_(std::move(stepReached)),
      interface_(interface),
      bcuInitState_(initialState()) {}

int32_t BcuStartup::initialState() const { return static_cast<int32_t>(stepsFor(interface_).size()) - 1; }

BcuInitStep BcuStartup::currentStep() const {
    const auto steps = stepsFor(interface_);
    if (bcuInitState_ < 0 || bcuInitState_ >= static_cast<int32_t>(steps.size())) return BcuInitStep::Connected;
    return steps[static_cast<size_t>(bcuInitState_)].step;
}

void BcuStartup::restart() {
    halted_ = false;
    bcuInitState_ = initialState();
    performInitStep();
}

void BcuStartup::halt() {
    halted_ = true;
    bcuInitState_ = initialState();
}

void BcuStartup::performInitStep() {
    if (halted_) return;
    const auto steps = stepsFor(interface_);
    if (bcuInitState_ < 0 || bcuInitState_ >= static_cast<int32_t>(steps.size())) return;
    const InitStep& step = steps[static_cast<size_t>(bcuInitState_)];
    stepReached_(step.step);
    if (!step.record.empty()) send_(step.record);
}

void BcuStartup::handleAcknowledgement(const RecordHeader& header) {
    if (halted_ || bcuInitState_ <= 0 || header.length != 0) return;
    --bcuInitState_;
    performInitStep();
}

}  // namespace lintor
