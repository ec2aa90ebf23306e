#include "link/telegram_classifier.h"

#include <algorithm>

#include "link/bus_message.h"
#include "link/emi.h"
#include "link/ft12.h"
#include "link/ldata.h"
#include "link/telegram_types.h"

namespace lintor {
namespace {

// L counts the FT1.2 control byte and the message: a message field is
// inside the frame's data from L = field + 2 on (beyond, it would be the
// checksum or the end byte).
constexpr size_t lengthHolding(size_t messageField) { return messageField + 2; }

// Where a message field lies in the frame.
constexpr size_t inFrame(size_t messageField) { return ft12::USER_DATA_AT + messageField; }

bool isTelegramControl(uint8_t control) { return (control & ldata::CONTROL_FRAME_MASK) == ldata::CONTROL_SENT_ONCE; }

}  // namespace

uint16_t recordTypeOfFrame(std::span<const uint8_t> frame) {
    const size_t length = frame.size() - ft12::VARIABLE_OVERHEAD;
    if (length < lengthHolding(emi::field::CONTROL)) return MSG_OTHER_FRAME;

    const uint8_t code = frame[inFrame(emi::field::MESSAGE_CODE)];
    if (!isTelegramControl(frame[inFrame(emi::field::CONTROL)])) return MSG_OTHER_FRAME;
    if (code == emi::L_DATA_CON) return MSG_CONFIRM;
    if (code != emi::L_DATA_IND || length < lengthHolding(emi::field::TPCI)) return MSG_OTHER_FRAME;
    return telegramTypeFor(serviceKey(frame[inFrame(emi::field::TPCI)], frame[inFrame(emi::field::APCI)]));
}

std::optional<Classification> TelegramClassifier::classify(std::span<const uint8_t> frame) {
    if (frame.size() < ft12::VARIABLE_OVERHEAD || frame.size() > kClassifiedFrameLimit) {
        return std::nullopt;
    }
    const bool duplicate =
        frame.size() == lastFrameLength && std::ranges::equal(frame, std::span(lastFrame).first(lastFrameLength));
    std::ranges::copy(frame, lastFrame.begin());
    lastFrameLength = static_cast<uint8_t>(frame.size());

    // The record's payload: the message from its control field to the end byte.
    return Classification{recordTypeOfFrame(frame), frame.subspan(inFrame(emi::field::CONTROL)), duplicate};
}

}  // namespace lintor
