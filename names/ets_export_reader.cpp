#include "names/ets_export_reader.h"

#include <algorithm>

#include "names/field_text.h"

namespace lintor::names {
namespace {

using Column = EtsExportReader::Column;

struct HeaderName {
    Column column;
    std::string_view text;
};

// The English names are those ETS 5 and 6 write; the others are for lists
// made by hand or by other tools.
constexpr std::array<HeaderName, 12> kHeaderNames{{
    {Column::Address, "Address"},
    {Column::Address, "Adresse"},
    {Column::GroupName, "Group name"},
    {Column::GroupName, "Name"},
    {Column::Main, "Main"},
    {Column::Main, "Hauptgruppe"},
    {Column::Middle, "Middle"},
    {Column::Middle, "Mittelgruppe"},
    {Column::Sub, "Sub"},
    {Column::Sub, "Untergruppe"},
    {Column::Type, "DatapointType"},
    {Column::Type, "Datenpunkttyp"},
}};

std::optional<Column> columnNamed(std::string_view header) {
    for (const HeaderName& name : kHeaderNames) {
        if (equalsIgnoringAsciiCase(trim(header), name.text)) return name.column;
    }
    return std::nullopt;
}

size_t indexOf(Column column) { return static_cast<size_t>(column); }

}  // namespace

std::optional<EtsExportReader> EtsExportReader::fromHeader(const std::vector<std::string>& header) {
    // A plain list may name an address "Address".
    const auto first = header.empty() ? std::nullopt : parseAddressCell(trim(header.front()));
    if (first && first->kind == AddressCell::Kind::GroupAddress) return std::nullopt;
    EtsExportReader reader;
    for (size_t i = 0; i < header.size(); ++i) {
        const auto column = columnNamed(header[i]);
        if (column && !reader.indexes_.at(indexOf(*column))) reader.indexes_.at(indexOf(*column)) = i;
    }
    if (!reader.indexes_.at(indexOf(Column::Address))) return std::nullopt;
    return reader;
}

bool EtsExportReader::hasNameColumn() const {
    return std::ranges::any_of(std::array{Column::GroupName, Column::Main, Column::Middle, Column::Sub},
                               [this](Column column) { return indexes_.at(indexOf(column)).has_value(); });
}

void EtsExportReader::take(const CsvRow& row, NameCollector& names) const {
    if (isBlankRow(row)) return;
    const std::string_view addressText = field(row, Column::Address);
    const auto cell = parseAddressCell(addressText);
    if (!cell) {
        names.warn(row.line, quoted(addressText) + " is not a group address");
        return;
    }
    switch (cell->kind) {
    case AddressCell::Kind::MainGroup:
        names.nameMainGroup(*cell->main, nameAt(row, Column::Main));
        return;
    case AddressCell::Kind::MiddleGroup:
        names.nameMiddleGroup(*cell->main, *cell->middle, nameAt(row, Column::Middle));
        return;
    case AddressCell::Kind::GroupAddress:
        names.add(AddressRow{row.line, *cell, nameAt(row, Column::Sub),
                             names.readType(field(row, Column::Type), row.line), cleanName(field(row, Column::Main)),
                             cleanName(field(row, Column::Middle))});
        return;
    }
}

// Empty for a column the header lacks or the row leaves out.
std::string_view EtsExportReader::field(const CsvRow& row, Column column) const {
    const auto index = indexes_.at(indexOf(column));
    if (!index || *index >= row.fields.size()) return {};
    return trim(row.fields[*index]);
}

// The name in the column of the row's level, else in "Group name".
std::string EtsExportReader::nameAt(const CsvRow& row, Column level) const {
    std::string name = cleanName(field(row, level));
    if (name.empty()) name = cleanName(field(row, Column::GroupName));
    return name;
}

}  // namespace lintor::names
