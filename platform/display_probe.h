#pragma once

#include <string>

namespace lintor {

// Whether a display server answers at the address the environment names:
// an X display (":0", "unix:1", "host:10.0") or a Wayland socket. The window
// toolkit aborts on an unreachable display, so this is asked first.
bool xDisplayReachable(const std::string& display);
bool waylandDisplayReachable(const std::string& waylandDisplay, const std::string& runtimeDir);

}  // namespace lintor
