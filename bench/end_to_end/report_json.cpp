#include <cstdint>
#include <cstdio>
#include <fstream>
#include <ostream>

#include "bench/end_to_end/report.h"

namespace lintor::bench {
namespace {

// Names, loads and command lines: no control characters to escape.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

void writeLatencies(std::ostream& out, const std::vector<Row>& rows, const std::string& indent) {
    out << "[\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        out << indent << "  {\"name\": " << quoted(row.name) << ", \"lost\": " << row.lost
            << ", \"summary\": " << summaryJson(row.summary) << "}" << (i + 1 < rows.size() ? "," : "") << "\n";
    }
    out << indent << "]";
}

void writePerLoad(std::ostream& out, const PerLoad& figures) {
    out << "{";
    for (size_t i = 0; i < figures.size(); ++i) {
        out << (i ? ", " : "") << quoted(figures[i].first) << ": " << figures[i].second;
    }
    out << "}";
}

// KiB after start, at the end of the heaviest load, after the churn.
void writeMemory(std::ostream& out, const char* name, uint64_t start, uint64_t load, uint64_t churn,
                 const std::string& indent) {
    out << ",\n"
        << indent << quoted(name) << R"(: {"start": )" << start << R"(, "load": )" << load << R"(, "churn": )" << churn
        << "}";
}

void writeIdleAndMemory(std::ostream& out, const Figures& f, const std::string& indent) {
    out << ",\n" << indent << "\"idle_cpu_us_per_s\": " << f.idleCpuMicrosPerSecond;
    out << ",\n" << indent << "\"idle_wakeups_per_s\": " << f.idleWakeupsPerSecond;
    out << ",\n" << indent << "\"flood_cpu_us_per_s\": " << f.floodCpuMicrosPerSecond;
    out << ",\n" << indent << "\"flood_rss_growth_kib\": " << f.floodResidentGrowthKiB;
    writeMemory(out, "rss_kib", f.start.residentKiB, f.load.residentKiB, f.churn.residentKiB, indent);
    writeMemory(out, "anonymous_kib", f.start.anonymousKiB, f.load.anonymousKiB, f.churn.anonymousKiB, indent);
}

void writePeer(std::ostream& out, const Measured& peer) {
    const std::string indent = "    ";
    const Figures& f = peer.figures;
    out << ",\n  \"peer\": {\n" << indent << "\"name\": " << quoted(peer.name);
    out << ",\n" << indent << "\"version\": " << quoted(peer.version);
    out << ",\n" << indent << "\"command\": " << quoted(peer.commandLine);
    if (peer.nice) out << ",\n" << indent << "\"nice\": " << *peer.nice;
    out << ",\n" << indent << "\"latency\": ";
    writeLatencies(out, f.rows, indent);
    out << ",\n" << indent << "\"cpu_per_telegram_us\": ";
    writePerLoad(out, f.cpuPerTelegramMicros);
    out << ",\n" << indent << "\"context_switches_per_telegram\": ";
    writePerLoad(out, f.switchesPerTelegram);
    writeIdleAndMemory(out, f, indent);
    out << ",\n" << indent << "\"readers_refused\": [";
    for (size_t i = 0; i < f.readersRefused.size(); ++i) {
        out << (i ? ", " : "") << "{\"offered\": " << f.readersRefused[i].first
            << ", \"taken\": " << f.readersRefused[i].second << "}";
    }
    out << "],\n" << indent << "\"churn_clients_taken\": " << f.churnTaken << "\n  }";
}

}  // namespace

void writeJson(const Report& report, const std::string& path) {
    std::ofstream out(path);
    const Figures& own = report.own.figures;
    out << "{\n  \"date\": \"" << report.date << "\",\n  \"unit\": \"ms\",\n  \"latency\": ";
    writeLatencies(out, own.rows, "  ");
    out << ",\n  \"cpu_per_telegram_us\": ";
    writePerLoad(out, own.cpuPerTelegramMicros);
    out << ",\n  \"context_switches_per_telegram\": ";
    writePerLoad(out, own.switchesPerTelegram);
    out << ",\n  \"pty_read_cpu_us\": " << report.floorCpuMicrosPerRead;
    writeIdleAndMemory(out, own, "  ");
    if (report.peer) writePeer(out, *report.peer);
    out << "\n}\n";
    std::printf("JSON: %s\n", path.c_str());
}

}  // namespace lintor::bench
