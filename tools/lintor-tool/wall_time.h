#pragma once

#include <string>

namespace lintor::tool {

// When a record arrived, in local time.
struct WallTime {
    std::string clock;  // "08:15:02.123"
    std::string iso;    // "2026-12-10T08:15:02.123+01:00"
};

WallTime wallTimeNow();

}  // namespace lintor::tool
