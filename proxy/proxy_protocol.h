#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/group_address.h"
#include "proxy/group_value_table.h"

namespace lintor {

struct SetGaRequest {
    uint16_t groupAddress;  // never 0
    uint8_t typeCode;       // never 0
    uint16_t value;         // the low 16 bits of the number given
    friend bool operator==(const SetGaRequest&, const SetGaRequest&) = default;
};

// <SetGA GA="1/2/3" Type="EIS1" Value="1">, tokens separated by runs of
// space, CR, LF, '"' and '='. Nothing for a text that is not such a request.
std::optional<SetGaRequest> parseSetGaRequest(std::string_view text);

// "Bit", "T1B", "T2B", "T2BF", "EIS1" to "EIS15"; 0 for any other name.
uint8_t parseTypeName(std::string_view name);
// The name a ProxyInfo line gives a type code.
std::string_view proxyInfoTypeName(uint8_t typeCode);

// <ProxyInfo GA="1/2/3" Type="Bit" Value="1">, without a line end; the value
// as its low 16 bits, unsigned.
std::string formatProxyInfo(const GroupValueEntry& entry);

// The MSG_DATA_TO_BCU record of a group value write from the proxy. Values
// up to 63 travel in the APCI byte; larger ones in one or two data bytes
// after it, so the service stays a group value write.
std::vector<uint8_t> groupWriteRecord(uint16_t groupAddress, uint16_t value);

}  // namespace lintor
