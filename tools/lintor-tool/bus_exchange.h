#pragma once

#include <functional>
#include <span>
#include <vector>

#include "tools/lintor-tool/connection.h"
#include "tools/lintor-tool/record_description.h"
#include "tools/lintor-tool/tool_context.h"

namespace lintor::tool {

// A request sent to the gateway port and the record that answers it.
struct Awaited {
    enum class Outcome { Matched, TimedOut, Lost };
    Outcome outcome = Outcome::TimedOut;
    std::vector<uint8_t> record;  // the matching record, header included
};

using RecordMatch = std::function<bool(const RecordDescription&)>;

// Sends the request, then reads records until one matches or the options'
// time-out passes. A lost connection is reported here.
Awaited exchange(const ToolContext& context, Connection& connection, std::span<const uint8_t> request,
                 const RecordMatch& match);

// The TPDU of a MSG_DATA_TO_BCU record that carries an L_Data.req.
std::span<const uint8_t> requestTpdu(std::span<const uint8_t> record);

// A confirmation of the telegram that request carried.
bool confirms(const RecordDescription& record, std::span<const uint8_t> request, uint16_t groupAddress);

}  // namespace lintor::tool
