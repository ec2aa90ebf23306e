#include "tools/lintor-tool/device_family.h"

#include <algorithm>
#include <array>

namespace lintor::tool {
namespace {

// The top four bits of a mask version name the medium (twisted pair, power
// line, radio, IP), which changes nothing here.
constexpr uint16_t kWithoutMedium = 0x0FF0;

struct FamilyRow {
    uint16_t maskType;
    DeviceFamily family;
};

constexpr std::array<FamilyRow, 4> kFamilies{{
    {0x0010, {"BCU 1", false, false, true}},
    {0x0020, {"BCU 2", true, false, true}},
    {0x0700, {"System 7", true, true, false}},
    {0x07B0, {"System B", true, true, false}},
}};

}  // namespace

DeviceFamily familyOf(uint16_t maskVersion) {
    const auto* row = std::ranges::find(kFamilies, maskVersion & kWithoutMedium, &FamilyRow::maskType);
    return row == kFamilies.end() ? DeviceFamily{} : row->family;
}

}  // namespace lintor::tool
