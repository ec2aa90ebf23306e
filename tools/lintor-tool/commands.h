#pragma once

#include "tools/lintor-tool/tool_context.h"

namespace lintor::tool {

// Each returns the program's exit status.
int runMonitor(const ToolContext& context);
int runWrite(const ToolContext& context);
int runRead(const ToolContext& context);
int runWatch(const ToolContext& context);
int runDevices(const ToolContext& context);
int runInfo(const ToolContext& context);
int runProgmode(const ToolContext& context);
int runSetAddress(const ToolContext& context);

}  // namespace lintor::tool
