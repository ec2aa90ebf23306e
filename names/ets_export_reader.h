#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "names/csv_reader.h"
#include "names/name_collector.h"

namespace lintor::names {

// The rows of a group address export of ETS. Its columns are found by their
// header names, as order and extra columns differ between ETS versions, and
// between its layouts: the name in "Group name", or in one of "Main",
// "Middle" and "Sub" by level.
class EtsExportReader {
public:
    // Nothing when the row is no header with an "Address" column.
    static std::optional<EtsExportReader> fromHeader(const std::vector<std::string>& header);

    bool hasNameColumn() const;
    void take(const CsvRow& row, NameCollector& names) const;

    enum class Column : size_t { Address, GroupName, Main, Middle, Sub, Type };

private:
    static constexpr size_t kColumnCount = 6;

    std::string_view field(const CsvRow& row, Column column) const;
    std::string nameAt(const CsvRow& row, Column level) const;

    std::array<std::optional<size_t>, kColumnCount> indexes_{};
};

}  // namespace lintor::names
