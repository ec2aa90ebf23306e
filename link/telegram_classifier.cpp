#include "link/telegram_classifier.h"

#include <algorithm>

#include "link/bus_message.h"
#include "link/emi.h"
#include "link/ft12.h"
#include "link/telegram_types.h"

namespace lintor {
namespace {

// The control field (byte 6) is message data from L = 3 on; with L = 2 it
// would be the checksum. The TPCI byte of an L_Data.ind is data from L = 9 on.
constexpr size_t kMinLengthForMessage = 3;
constexpr size_t kMinLengthForTpci = 9;

bool isTelegramControl(uint8_t control) {
    return (control & emi::CONTROL_TELEGRAM_MASK) == emi::CONTROL_TELEGRAM;
}

}  // namespace

uint16_t recordTypeOfFrame(std::span<const uint8_t> frame) {
    const size_t length = frame.size() - ft12::VARIABLE_OVERHEAD;
    if (length < kMinLengthForMessage) return MSG_OTHER_FRAME;

    const uint8_t code = frame[frame_pos::MESSAGE_CODE];
    if (!isTelegramControl(frame[frame_pos::EMI_CONTROL])) return MSG_OTHER_FRAME;
    if (code == emi::L_DATA_CON) return MSG_CONFIRM;
    if (code != emi::L_DATA_IND || length < kMinLengthForTpci) return MSG_OTHER_FRAME;
    return telegramTypeFor(serviceKey(frame[frame_pos::TPCI], frame[frame_pos::APCI]));
}

std::optional<Classification> TelegramClassifier::classify(std::span<const uint8_t> frame) {
    if (frame.size() < ft12::VARIABLE_OVERHEAD || frame.size() > kClassifiedFrameLimit) {
        return std::nullopt;
    }
    const bool duplicate =
        frame.size() == lastFrameLength && std::ranges::equal(frame, std::span(lastFrame).first(lastFrameLength));
    std::ranges::copy(frame, lastFrame.begin());
    lastFrameLength = static_cast<uint8_t>(frame.size());

    return Classification{recordTypeOfFrame(frame), frame.subspan(frame_pos::PAYLOAD), duplicate};
}

}  // namespace lintor
