#pragma once

#include <string>

#include "tools/lintor-tool/json_object.h"
#include "tools/lintor-tool/record_description.h"
#include "tools/lintor-tool/wall_time.h"

namespace lintor::tool {

// 08:15:02.123 indication 1.1.11 -> 1/1/1 "Hall light" GroupValue_Write 01 = on [low, hops 6]
std::string monitorLine(const RecordDescription& record, const WallTime& time);
// The same as one JSON object.
std::string monitorJson(const RecordDescription& record, const WallTime& time);

// "value" (the number, else the text), "text" and "unit".
void addDecodedValue(JsonObject& object, const dpt::Decoded& value);

// "0C 1A", never shortened.
std::string hexText(std::span<const uint8_t> bytes);
// "1/2/3", or "1.1.5" for an individual destination.
std::string destinationText(const TelegramView& telegram);

}  // namespace lintor::tool
