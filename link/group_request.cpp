#include "link/group_request.h"

#include "link/bus_message.h"
#include "link/emi.h"
#include "link/ldata.h"

namespace lintor {

std::vector<uint8_t> groupRequestRecord(GroupServiceCode service, uint16_t source, uint16_t group,
                                        std::span<const uint8_t> value, bool sixBit) {
    const std::vector<uint8_t> tpdu = groupTpdu(service, value, sixBit);
    const ldata::Fields request{ldata::priorityBits(Priority::Low), source, group,
                                ldata::routingBits(true, ldata::DEFAULT_HOP_COUNT), tpdu};
    return recordOf(MSG_DATA_TO_BCU, ldata::writeMessage(emi::L_DATA_REQ, request));
}

}  // namespace lintor
