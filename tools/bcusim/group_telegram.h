#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "link/group_value.h"
#include "tools/bcusim/line_frame.h"

namespace lintor::bcusim {

// 1.1.1, the sender of injected telegrams unless told otherwise.
inline constexpr uint16_t DEFAULT_SOURCE = 0x1101;

// The two top bits of the APCI byte of a group telegram.
using GroupService = GroupServiceCode;

// How many bytes follow the APCI byte: 0 puts a value of 0..63 into the
// APCI byte itself. Values travel big-endian.
inline constexpr int SIX_BIT_VALUE = 0;
bool isValueSize(int dataBytes);
bool valueFits(uint32_t value, int dataBytes);

// An L_Data.ind of a group telegram as the BCU hands it up:
// 29 BC source destination NPCI TPCI APCI [data]. Empty when the value does
// not fit the size (a read carries no value: pass 0 and SIX_BIT_VALUE).
std::optional<std::vector<uint8_t>> groupIndication(GroupService service, uint16_t source, uint16_t group,
                                                    uint32_t value, int dataBytes);

// A group telegram the host asks the BCU to send.
struct GroupRequest {
    uint16_t group = 0;
    GroupService service = GroupService::Read;
    uint32_t value = 0;
    int dataBytes = SIX_BIT_VALUE;
};

// The group telegram in an L_Data.req (11 0C source destination NPCI TPCI
// APCI [data]); empty for anything else or anything cut short.
std::optional<GroupRequest> parseGroupRequest(std::span<const uint8_t> message);
// The same for a frame on the line, whichever interface sent it.
std::optional<GroupRequest> groupRequestOf(const LineFrame& frame);

}  // namespace lintor::bcusim
