#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace lintor::bench {

// n / min / median / p95 / p99 / max of one series, in its own unit.
struct Summary {
    size_t n = 0;
    double min = 0;
    double median = 0;
    double p95 = 0;
    double p99 = 0;
    double max = 0;
};

Summary summarize(std::vector<double> samples);
// {"n": 10, "min": 1.2, ...}
std::string summaryJson(const Summary& summary);

}  // namespace lintor::bench
