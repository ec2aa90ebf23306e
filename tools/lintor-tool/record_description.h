#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dpt/dpt_codec.h"
#include "link/telegram_view.h"
#include "names/group_names.h"

namespace lintor::tool {

// What a monitor says of one record from the gateway port.
struct RecordDescription {
    enum class Kind { Indication, Confirm, Frame, Other };

    Kind kind = Kind::Other;
    uint16_t type = 0;
    std::span<const uint8_t> payload;
    std::optional<TelegramView> telegram;             // empty when the payload is cut short
    std::string_view service;                         // "GroupValue_Write"; empty when unknown
    bool groupValue = false;                          // a group value service with its data below
    std::vector<uint8_t> data;                        // group value bytes; the six bits as one byte
    const GroupName* name = nullptr;                  // the destination's, from the names file
    std::optional<dpt::DatapointType> datapointType;  // from the names file
    std::optional<dpt::Decoded> value;

    // Decodes the data as this type, whatever the names file said.
    void decodeAs(dpt::DatapointType datapoint);
};

// The record must stay alive as long as the description.
RecordDescription describeRecord(std::span<const uint8_t> record, const GroupNames& names);

}  // namespace lintor::tool
