#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "dpt/datapoint_type.h"

namespace lintor {

// What a names file says of one group address.
struct GroupName {
    uint16_t address = 0;
    std::string name;  // "Kitchen light"
    std::string path;  // "Lighting/Ground floor/Kitchen light"; the name alone when there is no hierarchy
    std::optional<dpt::DatapointType> type;

    friend bool operator==(const GroupName&, const GroupName&) = default;
};

// The names of group addresses, read from the CSV export that ETS writes
// (either of its layouts) or from a plain "1/2/3;Kitchen light;1.001" list.
class GroupNames {
public:
    struct Loaded;
    struct Failure {
        std::string message;  // "names.csv:7: ..."
    };

    // fileName only appears in messages.
    static std::variant<Loaded, Failure> read(std::string_view text, std::string_view fileName);

    const GroupName* find(uint16_t address) const;

    // A group address text, a full path, or a name that only one address
    // has; otherwise a message that says which it could be.
    std::variant<uint16_t, Failure> resolve(std::string_view nameOrAddress) const;

    const std::vector<GroupName>& entries() const { return entries_; }

private:
    std::vector<GroupName> entries_;  // sorted by address
    std::string fileName_;            // for messages
};

struct GroupNames::Loaded {
    GroupNames names;
    std::vector<std::string> warnings;  // rows skipped, with their line numbers
};

}  // namespace lintor
