#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench/end_to_end/process_stats.h"
#include "bench/end_to_end/sample_summary.h"

namespace lintor::bench {

struct Row {
    std::string name;
    Summary summary;
    size_t lost = 0;
    // Where the gateway took fewer readers than the name says: how many.
    size_t readersTaken = 0;
};

// A figure for each load, by the load's name ("5/s, 100 readers").
using PerLoad = std::vector<std::pair<std::string, double>>;

// What one gateway showed in a run.
struct Figures {
    std::vector<Row> rows;
    PerLoad cpuPerTelegramMicros;
    PerLoad switchesPerTelegram;
    double idleCpuMicrosPerSecond = 0;
    double idleWakeupsPerSecond = 0;
    // Memory after start, at the end of the heaviest load, after the churn.
    ProcessStats start, load, churn;
    // Readers it was offered and took, where it took fewer.
    std::vector<std::pair<size_t, size_t>> readersRefused;
    // While another client floods the downlink: CPU per second, and the
    // growth of resident memory from the flood's start to its end.
    double floodCpuMicrosPerSecond = 0;
    int64_t floodResidentGrowthKiB = 0;
    size_t churnOffered = 0;
    size_t churnTaken = 0;
};

// A gateway's figures and what it is.
struct Measured {
    std::string name;
    std::string version;
    std::string commandLine;
    std::optional<int> nice;
    Figures figures;
};

struct Report {
    std::string date;
    double floorCpuMicrosPerRead = 0;
    Measured own;
    // The same figures of another gateway, taken in turns with ours.
    std::optional<Measured> peer;
};

}  // namespace lintor::bench
