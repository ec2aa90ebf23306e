#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dpt/datapoint_type.h"
#include "names/address_cell.h"
#include "names/group_names.h"

namespace lintor::names {

// A group address row of a names file, before its path is known.
struct AddressRow {
    size_t line = 0;
    AddressCell cell;
    std::string name;
    std::optional<dpt::DatapointType> type;
    std::string mainName;  // when the row names its groups itself
    std::string middleName;
};

// Gathers what the rows of one names file say, in any order, and the
// warnings about them; a later row for an address replaces the earlier one.
class NameCollector {
public:
    static constexpr size_t kMaxWarnings = 100;

    explicit NameCollector(std::string_view fileName) : fileName_(fileName) {}

    void nameMainGroup(uint8_t main, std::string name);
    void nameMiddleGroup(uint8_t main, uint8_t middle, std::string name);
    void add(AddressRow row);

    // The first datapoint type of a type column ("DPST-9-1, DPST-9-2");
    // nothing, with a warning, for text that is none.
    std::optional<dpt::DatapointType> readType(std::string_view text, size_t line);
    void warn(size_t line, std::string_view text);

    // Sorted by address, each with its path.
    std::vector<GroupName> entries() const;
    std::vector<std::string> warnings() const;

private:
    std::string pathOf(const AddressRow& row) const;

    std::string fileName_;
    std::array<std::string, kMainGroupCount> mainNames_;
    std::array<std::string, kMainGroupCount * kMiddleGroupCount> middleNames_;
    std::map<uint16_t, AddressRow> rows_;
    std::vector<std::string> warnings_;
    size_t warningsLeftOut_ = 0;
};

}  // namespace lintor::names
