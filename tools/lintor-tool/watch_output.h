#pragma once

#include <optional>
#include <string>

#include "names/group_names.h"
#include "tools/lintor-tool/proxy_info_reader.h"
#include "tools/lintor-tool/wall_time.h"

namespace lintor::tool {

// 08:15:02.123 3/1/1 "Living room" = 21.30 °C, or "= 3098" without a type.
std::string watchLine(const ProxyInfo& info, const GroupName* name, const WallTime& time);
std::string watchJson(const ProxyInfo& info, const GroupName* name, const WallTime& time);

}  // namespace lintor::tool
