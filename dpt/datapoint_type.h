#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lintor::dpt {

// A datapoint type as people and ETS write it: "9.001", or only the main
// number ("9") when the subtype is not known.
struct DatapointType {
    uint16_t main = 0;
    std::optional<uint16_t> sub;

    friend bool operator==(const DatapointType&, const DatapointType&) = default;
};

// "9.001", "9.1", "9", "DPT9.001", "DPT-9", "DPST-9-1" (ETS's type column),
// letters in any case. Nothing for other text.
std::optional<DatapointType> parseDatapointType(std::string_view text);

// "9.001", or "9" without a subtype.
std::string formatDatapointType(DatapointType type);

}  // namespace lintor::dpt
