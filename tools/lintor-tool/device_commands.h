#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tools/lintor-tool/bus_port.h"
#include "tools/lintor-tool/tool_context.h"

namespace lintor::tool {

// What the device commands share.

// A line, "1.1" or "1.1.": its first address, 1.1.0.
std::optional<uint16_t> parseLine(std::string_view text);

// The command's first argument as an individual address; reported when it
// is none.
std::optional<uint16_t> individualAddressArgument(const ToolContext& context);

// Says what went wrong with the device (its address, or what was asked)
// and gives the exit status for it.
int reportFailure(const ToolContext& context, BusFailure failure, const std::string& device);

}  // namespace lintor::tool
