#pragma once

#include "tools/lintor-tool/tool_context.h"

namespace lintor::tool {

// Each returns the program's exit status.
int runMonitor(const ToolContext& context);
int runWrite(const ToolContext& context);
int runRead(const ToolContext& context);
int runWatch(const ToolContext& context);

}  // namespace lintor::tool
