#include "link/telegram_view.h"

#include <array>

#include "link/telegram_types.h"

namespace lintor {
namespace {

// Names without the application-layer prefix, as bus monitors show them.
constexpr std::string_view kApplicationPrefix = "A_";

constexpr std::array<std::string_view, 4> kPriorityNames{"system", "normal", "urgent", "low"};

}  // namespace

std::string_view priorityName(Priority priority) { return kPriorityNames.at(static_cast<size_t>(priority)); }

std::optional<TelegramView> viewTelegram(std::span<const uint8_t> payload) {
    const auto fields = ldata::readFields(payload);
    if (!fields) return std::nullopt;
    TelegramView view;
    view.source = fields->source;
    view.destination = fields->destination;
    view.groupDestination = (fields->routing & ldata::NPCI_GROUP_ADDRESS) != 0;
    view.priority = ldata::priorityOf(fields->control);
    view.repeated = (fields->control & ldata::CONTROL_NOT_REPEATED) == 0;
    view.confirmFailed = (fields->control & ldata::CONTROL_CONFIRM_ERROR) != 0;
    view.hopCount = ldata::hopCountOf(fields->routing);
    view.tpdu = fields->tpdu;
    return view;
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
