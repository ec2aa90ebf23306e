#pragma once

namespace lintor::tool {

// What the program's exit status tells a script.
inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_FAILED = 1;       // no connection, connection lost, the BCU refused or did not confirm
inline constexpr int EXIT_USAGE = 2;        // bad arguments, unknown name, a value the type cannot take, bad names file
inline constexpr int EXIT_NO_RESPONSE = 3;  // read: no response within the time-out

}  // namespace lintor::tool
