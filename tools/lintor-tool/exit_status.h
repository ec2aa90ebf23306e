#pragma once

namespace lintor::tool {

// What the program's exit status tells a script.
inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_FAILED = 1;       // no connection, connection lost, the BCU refused or did not confirm
inline constexpr int EXIT_USAGE = 2;        // bad arguments, unknown name, a value the type cannot take, bad names file
inline constexpr int EXIT_NO_RESPONSE = 3;  // nothing answered: read, devices, info, progmode
inline constexpr int EXIT_REFUSED = 4;      // set-address: not one device in programming mode, or the address taken

}  // namespace lintor::tool
