#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "link/group_value.h"

namespace lintor {

// An L_Data.req of a group telegram at low priority with hop count 6, as the
// MSG_DATA_TO_BCU record that carries it. The value goes into the TPDU as
// groupTpdu() puts it. The BCU puts its own address in place of a source
// 0.0.0.
std::vector<uint8_t> groupRequestRecord(GroupServiceCode service, uint16_t source, uint16_t group,
                                        std::span<const uint8_t> value, bool sixBit);

}  // namespace lintor
