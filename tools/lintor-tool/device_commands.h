#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tools/lintor-tool/bus_port.h"
#include "tools/lintor-tool/tool_context.h"

namespace lintor::tool {

// What the device commands share.

// The addresses a scan asks, on one line.
struct AddressRange {
    uint16_t first = 0;
    size_t count = 0;
    friend bool operator==(const AddressRange&, const AddressRange&) = default;
};

// A whole line, "1.1" or "1.1.", or part of one, "1.1.10-20".
std::optional<AddressRange> parseAddressRange(std::string_view text);

// The command's first argument as an individual address; reported when it
// is none.
std::optional<uint16_t> individualAddressArgument(const ToolContext& context);

// Says what went wrong with the device (its address, or what was asked)
// and gives the exit status for it.
int reportFailure(const ToolContext& context, BusFailure failure, const std::string& device);

}  // namespace lintor::tool
