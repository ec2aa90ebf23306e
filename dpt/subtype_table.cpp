#include <algorithm>
#include <array>

#include "dpt/resolved_type.h"

namespace lintor::dpt {
namespace {

struct MainTypeRow {
    uint16_t main;
    Family family;
    uint8_t size;
    uint8_t sixBitMask;
    std::string_view name;
};

struct SubtypeRow {
    uint16_t main;
    uint16_t sub;
    std::string_view name;
    std::string_view unit;
    Scale scale{};
    uint8_t decimals = 0;
};

constexpr uint8_t kSixBit = 0;

constexpr std::array<MainTypeRow, 19> kMainTypes{{
    {1, Family::Boolean, kSixBit, 0x01, "boolean"},
    {2, Family::ControlledBoolean, kSixBit, 0x03, "controlled boolean"},
    {3, Family::StepControl, kSixBit, 0x0F, "3-bit control"},
    {5, Family::Unsigned, 1, 0, "unsigned 8-bit number"},
    {6, Family::Signed, 1, 0, "signed 8-bit number"},
    {7, Family::Unsigned, 2, 0, "unsigned 16-bit number"},
    {8, Family::Signed, 2, 0, "signed 16-bit number"},
    {9, Family::Float16, 2, 0, "2-byte float"},
    {10, Family::TimeOfDay, 3, 0, "time of day"},
    {11, Family::Date, 3, 0, "date"},
    {12, Family::Unsigned, 4, 0, "unsigned 32-bit number"},
    {13, Family::Signed, 4, 0, "signed 32-bit number"},
    {14, Family::Float32, 4, 0, "4-byte float"},
    {16, Family::String, 14, 0, "string"},
    {17, Family::Scene, 1, 0, "scene number"},
    {18, Family::SceneControl, 1, 0, "scene control"},
    {20, Family::Enumeration, 1, 0, "1-byte enumeration"},
    {23, Family::Enumeration, kSixBit, 0x03, "2-bit enumeration"},
    {232, Family::Colour, 3, 0, "RGB colour"},
}};

constexpr Scale kPercent255{100, 255};
constexpr Scale kAngle255{360, 255};
constexpr Scale kHundredth{1, 100};
constexpr Scale kTenThousandth{1, 10000};
constexpr Scale kTimes10{10, 1};
constexpr Scale kTimes100{100, 1};

constexpr auto kSubtypes = std::to_array<SubtypeRow>({
    {1, 1, "switch", ""},
    {1, 2, "bool", ""},
    {1, 3, "enable", ""},
    {1, 4, "ramp", ""},
    {1, 5, "alarm", ""},
    {1, 6, "binary value", ""},
    {1, 7, "step", ""},
    {1, 8, "up/down", ""},
    {1, 9, "open/close", ""},
    {1, 10, "start", ""},
    {1, 11, "state", ""},
    {1, 12, "invert", ""},
    {1, 14, "input source", ""},
    {1, 15, "reset", ""},
    {1, 16, "acknowledge", ""},
    {1, 17, "trigger", ""},
    {1, 18, "occupancy", ""},
    {1, 19, "window/door", ""},
    {1, 21, "logical function", ""},
    {1, 22, "scene A/B", ""},
    {1, 24, "day/night", ""},
    {1, 100, "heat/cool", ""},

    {2, 1, "switch control", ""},
    {2, 2, "bool control", ""},
    {2, 3, "enable control", ""},
    {2, 4, "ramp control", ""},
    {2, 5, "alarm control", ""},
    {2, 6, "binary value control", ""},
    {2, 7, "step control", ""},
    {2, 8, "up/down control", ""},
    {2, 9, "open/close control", ""},
    {2, 10, "start control", ""},
    {2, 11, "state control", ""},
    {2, 12, "invert control", ""},

    {3, 7, "dimming control", ""},
    {3, 8, "blind control", ""},

    {5, 1, "percent (0..100)", "%", kPercent255, 1},
    {5, 3, "angle", "°", kAngle255, 1},
    {5, 4, "percent (0..255)", "%"},
    {5, 5, "ratio", ""},
    {5, 6, "tariff", ""},
    {5, 10, "pulse count", "pulses"},

    {6, 1, "percent (-128..127)", "%"},
    {6, 10, "pulse count", "pulses"},

    {7, 1, "pulse count", "pulses"},
    {7, 2, "time", "ms"},
    {7, 3, "time (10 ms)", "ms", kTimes10},
    {7, 4, "time (100 ms)", "ms", kTimes100},
    {7, 5, "time", "s"},
    {7, 6, "time", "min"},
    {7, 7, "time", "h"},
    {7, 11, "length", "mm"},
    {7, 12, "current", "mA"},
    {7, 13, "brightness", "lx"},
    {7, 600, "colour temperature", "K"},

    {8, 1, "pulse difference", "pulses"},
    {8, 2, "time lag", "ms"},
    {8, 3, "time lag (10 ms)", "ms", kTimes10},
    {8, 4, "time lag (100 ms)", "ms", kTimes100},
    {8, 5, "time lag", "s"},
    {8, 6, "time lag", "min"},
    {8, 7, "time lag", "h"},
    {8, 10, "percent difference", "%", kHundredth, 2},
    {8, 11, "rotation angle", "°"},
    {8, 12, "length", "m"},

    {9, 1, "temperature", "°C"},
    {9, 2, "temperature difference", "K"},
    {9, 3, "temperature change", "K/h"},
    {9, 4, "brightness", "lx"},
    {9, 5, "wind speed", "m/s"},
    {9, 6, "pressure", "Pa"},
    {9, 7, "humidity", "%"},
    {9, 8, "air quality", "ppm"},
    {9, 9, "air flow", "m³/h"},
    {9, 10, "time", "s"},
    {9, 11, "time", "ms"},
    {9, 20, "voltage", "mV"},
    {9, 21, "current", "mA"},
    {9, 22, "power density", "W/m²"},
    {9, 23, "temperature per percent", "K/%"},
    {9, 24, "power", "kW"},
    {9, 25, "volume flow", "l/h"},
    {9, 26, "rain amount", "l/m²"},
    {9, 27, "temperature", "°F"},
    {9, 28, "wind speed", "km/h"},
    {9, 29, "absolute humidity", "g/m³"},
    {9, 30, "concentration", "µg/m³"},

    {10, 1, "time of day", ""},
    {11, 1, "date", ""},

    {12, 1, "pulse count", "pulses"},
    {12, 100, "time", "s"},
    {12, 101, "time", "min"},
    {12, 102, "time", "h"},

    {13, 1, "pulse count", "pulses"},
    {13, 2, "flow rate", "m³/h", kTenThousandth, 4},
    {13, 10, "active energy", "Wh"},
    {13, 11, "apparent energy", "VAh"},
    {13, 12, "reactive energy", "VARh"},
    {13, 13, "active energy", "kWh"},
    {13, 14, "apparent energy", "kVAh"},
    {13, 15, "reactive energy", "kVARh"},
    {13, 16, "active energy", "MWh"},
    {13, 100, "time lag", "s"},

    {14, 7, "angle", "°"},
    {14, 10, "area", "m²"},
    {14, 17, "density", "kg/m³"},
    {14, 19, "current", "A"},
    {14, 27, "voltage", "V"},
    {14, 28, "voltage difference", "V"},
    {14, 31, "energy", "J"},
    {14, 32, "force", "N"},
    {14, 33, "frequency", "Hz"},
    {14, 36, "heat flow rate", "W"},
    {14, 39, "length", "m"},
    {14, 51, "mass", "kg"},
    {14, 56, "power", "W"},
    {14, 57, "power factor", ""},
    {14, 58, "pressure", "Pa"},
    {14, 60, "resistance", "Ω"},
    {14, 65, "speed", "m/s"},
    {14, 68, "temperature", "°C"},
    {14, 69, "absolute temperature", "K"},
    {14, 70, "temperature difference", "K"},
    {14, 74, "time", "s"},
    {14, 76, "volume", "m³"},
    {14, 77, "volume flow", "m³/s"},
    {14, 79, "work", "J"},
    {14, 80, "apparent power", "VA"},

    {16, 0, "ASCII string", ""},
    {16, 1, "ISO 8859-1 string", ""},
    {17, 1, "scene number", ""},
    {18, 1, "scene control", ""},
    {20, 102, "HVAC mode", ""},
    {23, 1, "on/off action", ""},
    {23, 3, "up/down action", ""},
    {232, 600, "RGB colour", ""},
});

constexpr const MainTypeRow* findMain(uint16_t main) {
    const auto* row = std::ranges::find(kMainTypes, main, &MainTypeRow::main);
    return row == kMainTypes.end() ? nullptr : row;
}

constexpr const SubtypeRow* findSub(uint16_t main, uint16_t sub) {
    const auto* row =
        std::ranges::find_if(kSubtypes, [&](const SubtypeRow& r) { return r.main == main && r.sub == sub; });
    return row == kSubtypes.end() ? nullptr : row;
}

static_assert(std::ranges::all_of(kSubtypes, [](const SubtypeRow& r) { return findMain(r.main) != nullptr; }));
static_assert(std::ranges::all_of(kSubtypes, [](const SubtypeRow& r) { return findSub(r.main, r.sub) == &r; }),
              "one row per subtype");
static_assert(std::ranges::all_of(kSubtypes, [](const SubtypeRow& r) { return r.scale.denominator != 0; }));

}  // namespace

std::optional<ResolvedType> resolve(DatapointType type) {
    const MainTypeRow* main = findMain(type.main);
    if (!main) return std::nullopt;
    ResolvedType resolved{type, main->family, main->size, main->sixBitMask, std::nullopt, main->name, "", {}, 0};
    const SubtypeRow* sub = type.sub ? findSub(type.main, *type.sub) : nullptr;
    if (!sub) return resolved;
    resolved.listedSub = sub->sub;
    resolved.name = sub->name;
    resolved.unit = sub->unit;
    resolved.scale = sub->scale;
    resolved.decimals = sub->decimals;
    return resolved;
}

}  // namespace lintor::dpt
