#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "link/telegram_view.h"
#include "link/tpdu.h"

namespace lintor::tool {

// The gateway port's requests for device management: an L_Data.req at
// system priority with hop count 6 and source 0.0.0, for the BCU to put its
// own individual address in, as the MSG_DATA_TO_BCU record that carries it.
std::vector<uint8_t> requestTo(uint16_t device, const tpdu::Pdu& pdu);
// To every device: group address 0.
std::vector<uint8_t> requestToAll(const tpdu::Pdu& pdu);

// A telegram record or a confirmation from the gateway port; the view points
// into the record.
struct BusTelegram {
    bool confirmation = false;
    TelegramView view;

    // From this device, to whatever address the BCU has.
    bool isFrom(uint16_t device) const { return !confirmation && !view.groupDestination && view.source == device; }
    // An answer to everyone, as devices send their individual addresses.
    bool isBroadcastFromDevice() const { return !confirmation && view.groupDestination && view.destination == 0; }
    // The BCU's confirmation of the telegram in this request record.
    bool confirms(std::span<const uint8_t> request) const;
    std::optional<tpdu::Pdu> pdu() const { return tpdu::read(view.tpdu); }
};

std::optional<BusTelegram> readBusTelegram(std::span<const uint8_t> record);

}  // namespace lintor::tool
