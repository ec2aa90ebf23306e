#pragma once

#include <functional>
#include <span>
#include <string_view>

#include "tools/lintor-tool/tool_context.h"

namespace lintor::tool {

// Hands every piece the peer sends to onBytes until the connection ends,
// which monitor and watch report as a failure: they are meant to run until
// stopped.
int followStream(const ToolContext& context, Connection& connection, std::string_view peer,
                 const std::function<void(std::span<const uint8_t>)>& onBytes);

}  // namespace lintor::tool
