#pragma once

#include <string>

#include "bench/end_to_end/figures.h"

namespace lintor::bench {

// The table on stdout; with a peer, its figures and the ratio of ours to
// its beside each.
void printReport(const Report& report);
// The same as JSON.
void writeJson(const Report& report, const std::string& path);

}  // namespace lintor::bench
