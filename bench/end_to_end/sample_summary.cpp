#include "bench/end_to_end/sample_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lintor::bench {
namespace {

// Nearest rank: the smallest sample with at least this share at or below it.
double percentile(const std::vector<double>& sorted, double share) {
    const auto rank = static_cast<size_t>(std::ceil(share * static_cast<double>(sorted.size())));
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

}  // namespace

Summary summarize(std::vector<double> samples) {
    if (samples.empty()) return {};
    std::sort(samples.begin(), samples.end());
    return {
        samples.size(), samples.front(), percentile(samples, 0.5), percentile(samples, 0.95), percentile(samples, 0.99),
        samples.back()};
}

std::string summaryJson(const Summary& s) {
    char text[256];
    std::snprintf(text, sizeof text,
                  R"({"n": %zu, "min": %.3f, "median": %.3f, "p95": %.3f, "p99": %.3f, "max": %.3f})", s.n, s.min,
                  s.median, s.p95, s.p99, s.max);
    return text;
}

}  // namespace lintor::bench
