#include "tools/lintor-tool/wall_time.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <string_view>

namespace lintor::tool {
namespace {

// strftime's "+0100" as ISO 8601 writes it: "+01:00".
std::string isoOffset(std::string_view zone) {
    if (zone.size() != 5) return std::string(zone);
    return std::string(zone.substr(0, 3)) + ":" + std::string(zone.substr(3));
}

}  // namespace

WallTime wallTimeNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    const int millis = static_cast<int>(now.tv_nsec / 1'000'000) % 1000;

    std::array<char, 32> clock{};
    std::snprintf(clock.data(), clock.size(), "%02d:%02d:%02d.%03d", local.tm_hour % 100, local.tm_min % 100,
                  local.tm_sec % 100, millis);
    std::array<char, 32> date{};
    std::strftime(date.data(), date.size(), "%Y-%m-%dT%H:%M:%S", &local);
    std::array<char, 16> zone{};
    std::strftime(zone.data(), zone.size(), "%z", &local);
    std::array<char, 8> fraction{};
    std::snprintf(fraction.data(), fraction.size(), ".%03d", millis);
    return {clock.data(), std::string(date.data()) + fraction.data() + isoOffset(zone.data())};
}

}  // namespace lintor::tool
