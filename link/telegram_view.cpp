#include "link/telegram_view.h"

#include <array>

#include "link/byte_order.h"
#include "link/emi.h"
#include "link/telegram_types.h"

namespace lintor {
namespace {

constexpr size_t kControlAt = emi::inPayload(emi::field::CONTROL);
constexpr size_t kSourceAt = emi::inPayload(emi::field::SOURCE);
constexpr size_t kDestinationAt = emi::inPayload(emi::field::DESTINATION);
constexpr size_t kNpciAt = emi::inPayload(emi::field::NPCI);
constexpr size_t kTpciAt = emi::inPayload(emi::field::TPCI);

constexpr uint8_t kControlNotRepeated = 0x20;
constexpr uint8_t kControlConfirmFailed = 0x01;
constexpr unsigned kPriorityShift = 2;
constexpr uint8_t kPriorityMask = 0x03;
constexpr unsigned kHopCountShift = 4;
constexpr uint8_t kHopCountMask = 0x07;

// Names without the application-layer prefix, as bus monitors show them.
constexpr std::string_view kApplicationPrefix = "A_";

constexpr std::array<std::string_view, 4> kPriorityNames{"system", "normal", "urgent", "low"};

}  // namespace

std::string_view priorityName(Priority priority) { return kPriorityNames.at(static_cast<size_t>(priority)); }

std::optional<TelegramView> viewTelegram(std::span<const uint8_t> payload) {
    if (payload.size() <= kTpciAt) return std::nullopt;
    const uint8_t npci = payload[kNpciAt];
    // TPCI, then the NPCI's count of bytes after it.
    const size_t tpduSize = 1U + (npci & emi::NPCI_LENGTH_MASK);
    if (payload.size() < kTpciAt + tpduSize) return std::nullopt;

    const uint8_t control = payload[kControlAt];
    TelegramView view;
    view.source = readBigEndian16(payload, kSourceAt);
    view.destination = readBigEndian16(payload, kDestinationAt);
    view.groupDestination = (npci & emi::NPCI_GROUP_ADDRESS) != 0;
    view.priority = static_cast<Priority>((control >> kPriorityShift) & kPriorityMask);
    view.repeated = (control & kControlNotRepeated) == 0;
    view.confirmFailed = (control & kControlConfirmFailed) != 0;
    view.hopCount = static_cast<uint8_t>((npci >> kHopCountShift) & kHopCountMask);
    view.tpdu = payload.subspan(kTpciAt, tpduSize);
    return view;
}

GroupData groupDataOf(std::span<const uint8_t> tpdu) {
    constexpr size_t kApciBytes = 2;
    if (tpdu.size() < kApciBytes) return {};
    if (tpdu.size() == kApciBytes) {
        return {{}, static_cast<uint8_t>(tpdu[1] & emi::APCI_SHORT_DATA_MASK), true};
    }
    return {tpdu.subspan(kApciBytes), 0, false};
}

std::string_view serviceNameOf(uint16_t recordType) {
    for (const TelegramRule& rule : telegramTypeTable) {
        if (rule.type != recordType) continue;
        std::string_view name = rule.service;
        if (name.starts_with(kApplicationPrefix)) name.remove_prefix(kApplicationPrefix.size());
        return name;
    }
    return {};
}

uint16_t recordTypeOfTpdu(std::span<const uint8_t> tpdu) {
    if (tpdu.empty()) return MSG_UNMATCHED_TELEGRAM;
    // A control TPDU has no APCI byte; its service lies in the TPCI alone.
    const uint8_t apci = tpdu.size() > 1 ? tpdu[1] : 0;
    return telegramTypeFor(serviceKey(tpdu[0], apci));
}

}  // namespace lintor
