#pragma once

#include <string>

namespace lintor {

// The company and program names under which the per-user settings live.
inline constexpr const char* SETTINGS_COMPANY = "Varn";
inline constexpr const char* SETTINGS_PROGRAM = "Lintor";

// $XDG_CONFIG_HOME/Varn/Lintor.conf, or ~/.config/Varn/Lintor.conf when
// XDG_CONFIG_HOME is not set: the per-user settings file.
std::string defaultSettingsPath();

}  // namespace lintor
