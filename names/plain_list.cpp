#include "names/plain_list.h"

#include "names/field_text.h"

namespace lintor::names {

void takePlainRow(const CsvRow& row, NameCollector& names) {
    const auto field = [&row](size_t index) {
        return index < row.fields.size() ? trim(row.fields[index]) : std::string_view{};
    };
    if (isBlankRow(row)) return;
    const auto cell = parseAddressCell(field(0));
    if (!cell || cell->kind != AddressCell::Kind::GroupAddress) {
        names.warn(row.line, quoted(field(0)) + " is not a group address");
        return;
    }
    names.add(AddressRow{row.line, *cell, cleanName(field(1)), names.readType(field(2), row.line), {}, {}});
}

}  // namespace lintor::names
