#include "app/settings_path.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace lintor {
namespace {

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return ".";
}

}  // namespace

std::string defaultSettingsPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string base = xdg && *xdg == '/' ? std::string(xdg) : homeDirectory() + "/.config";
    return base + "/" + SETTINGS_COMPANY + "/" + SETTINGS_PROGRAM + ".conf";
}

}  // namespace lintor
