#pragma once

#include "names/csv_reader.h"
#include "names/name_collector.h"

namespace lintor::names {

// A row of a plain list: "1/2/3;Kitchen light;1.001", the type optional.
void takePlainRow(const CsvRow& row, NameCollector& names);

}  // namespace lintor::names
