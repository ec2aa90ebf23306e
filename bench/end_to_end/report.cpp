#include "bench/end_to_end/report.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

namespace lintor::bench {
namespace {

constexpr const char* kRowFormat = "%-38s %6zu %8.3f %8.3f %8.3f %8.3f %8.3f %5zu\n";
constexpr const char* kRatioRowFormat = "%-38s %6s %8s %8s %8s %8s %8s\n";
constexpr int kLabelWidth = 38;
constexpr double kKiBPerMB = 1024;

double mb(uint64_t kib) { return static_cast<double>(kib) / kKiBPerMB; }

// "0.45x", "1.3x", "12x"; "-" where there is nothing to divide by.
std::string ratio(double own, double peer) {
    if (peer <= 0 || own < 0) return "-";
    const double value = own / peer;
    char text[32];
    std::snprintf(text, sizeof text, value < 1 ? "%.2fx" : value < 10 ? "%.1fx" : "%.0fx", value);
    return text;
}

// Pads to a width in characters, not bytes: "µ" is two.
std::string padded(const std::string& text, size_t width) {
    size_t characters = 0;
    for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return text + std::string(width > characters ? width - characters : 0, ' ');
}

const Row* findRow(const Figures& figures, const std::string& name) {
    for (const Row& row : figures.rows) {
        if (row.name == name) return &row;
    }
    return nullptr;
}

std::optional<double> findLoad(const PerLoad& figures, const std::string& name) {
    for (const auto& [load, value] : figures) {
        if (load == name) return value;
    }
    return std::nullopt;
}

void printHeader(const Report& report) {
    std::printf("%s end to end, %s, %u cores; latencies in ms\n", report.own.name.c_str(), report.date.c_str(),
                std::thread::hardware_concurrency());
}

void printRow(const std::string& label, const Row& row) {
    const Summary& s = row.summary;
    std::printf(kRowFormat, label.c_str(), s.n, s.min, s.median, s.p95, s.p99, s.max, row.lost);
}

void printLatencies(const Report& report) {
    std::printf("%-38s %6s %8s %8s %8s %8s %8s %5s\n", "", "n", "min", "median", "p95", "p99", "max", "lost");
    for (const Row& row : report.own.figures.rows) {
        printRow(row.name, row);
        const Row* theirs = report.peer ? findRow(report.peer->figures, row.name) : nullptr;
        if (theirs == nullptr) continue;
        const std::string taken =
            theirs->readersTaken > 0 ? " (" + std::to_string(theirs->readersTaken) + " readers)" : "";
        printRow("  " + report.peer->name + taken, *theirs);
        const Summary& a = row.summary;
        const Summary& b = theirs->summary;
        const bool both = a.n > 0 && b.n > 0;
        const auto r = [&](double x, double y) { return both ? ratio(x, y) : "-"; };
        std::printf(kRatioRowFormat, ("  " + report.own.name + "/" + report.peer->name).c_str(), "",
                    r(a.min, b.min).c_str(), r(a.median, b.median).c_str(), r(a.p95, b.p95).c_str(),
                    r(a.p99, b.p99).c_str(), r(a.max, b.max).c_str());
    }
}

void printFloor(const Report& report) {
    std::printf("  floor: a thread that wakes to read one frame from a pty, %.0f µs", report.floorCpuMicrosPerRead);
}

// The layout without a peer, as it has always been, and the context switches.
void printOwnOnly(const Report& report) {
    const Figures& own = report.own.figures;
    std::printf("on-CPU per telegram (all threads):");
    for (const auto& [name, micros] : own.cpuPerTelegramMicros) std::printf(" %s %.0f µs;", name.c_str(), micros);
    std::printf("\n");
    printFloor(report);
    std::printf("\ncontext switches per telegram (all threads):");
    for (const auto& [name, switches] : own.switchesPerTelegram) std::printf(" %s %.1f;", name.c_str(), switches);
    std::printf("\nidle: %.0f µs on CPU per second, %.1f wake-ups per second\n", own.idleCpuMicrosPerSecond,
                own.idleWakeupsPerSecond);
    std::printf("under a downlink flood from another client: %.0f µs on CPU per second, resident memory %+lld KiB\n",
                own.floodCpuMicrosPerSecond, static_cast<long long>(own.floodResidentGrowthKiB));
    std::printf(
        "resident (of it not from files): %.1f (%.1f) MB after start, %.1f (%.1f) under load, "
        "%.1f (%.1f) after %zu clients came and went\n",
        mb(own.start.residentKiB), mb(own.start.anonymousKiB), mb(own.load.residentKiB), mb(own.load.anonymousKiB),
        mb(own.churn.residentKiB), mb(own.churn.anonymousKiB), own.churnOffered);
}

// label, ours, theirs, ratio; precision digits after the point.
void printPair(const std::string& label, double own, double peer, int precision) {
    std::printf("%s %9.*f %9.*f %7s\n", padded(label, kLabelWidth).c_str(), precision, own, precision, peer,
                ratio(own, peer).c_str());
}

void printPairHeader(const std::string& label, const Report& report) {
    std::printf("%s %9s %9s %7s\n", padded(label, kLabelWidth).c_str(), report.own.name.c_str(),
                report.peer->name.c_str(), "ratio");
}

void printPerTelegram(const Report& report, const std::string& title, const PerLoad& own, const PerLoad& peer,
                      int precision) {
    printPairHeader(title, report);
    for (const auto& [name, value] : own) {
        if (const auto theirs = findLoad(peer, name)) printPair("  " + name, value, *theirs, precision);
    }
}

void printMemory(const Report& report) {
    const Figures& a = report.own.figures;
    const Figures& b = report.peer->figures;
    printPairHeader("resident, MB", report);
    const auto pair = [](const std::string& label, const ProcessStats& x, const ProcessStats& y) {
        printPair("  " + label, mb(x.residentKiB), mb(y.residentKiB), 1);
        printPair("    not from files", mb(x.anonymousKiB), mb(y.anonymousKiB), 1);
    };
    pair("after start", a.start, b.start);
    pair("under load", a.load, b.load);
    pair("after " + std::to_string(a.churnOffered) + " clients came and went", a.churn, b.churn);
}

void printPeerNotes(const Report& report) {
    const Measured& peer = *report.peer;
    std::printf("note: the downlink rows are %s's alone: the bench writes in its record format\n",
                report.own.name.c_str());
    for (const auto& [offered, taken] : peer.figures.readersRefused) {
        std::printf("note: %s took %zu of %zu readers; its rows for %zu readers are those %zu\n", peer.name.c_str(),
                    taken, offered, offered, taken);
    }
    if (peer.figures.churnTaken < peer.figures.churnOffered) {
        std::printf("note: %s took %zu of the %zu clients that came and went\n", peer.name.c_str(),
                    peer.figures.churnTaken, peer.figures.churnOffered);
    }
}

void printCompared(const Report& report) {
    const Measured& peer = *report.peer;
    std::printf("beside %s, on a simulated BCU of its own, in turns within this run; ratio: %s/%s\n",
                peer.version.c_str(), report.own.name.c_str(), peer.name.c_str());
    std::printf("  %s\n  %s", report.own.commandLine.c_str(), peer.commandLine.c_str());
    if (peer.nice) std::printf("  (at nice %d)", *peer.nice);
    std::printf("\n");
    printLatencies(report);
    printPerTelegram(report, "on CPU per telegram, µs (all threads)", report.own.figures.cpuPerTelegramMicros,
                     peer.figures.cpuPerTelegramMicros, 0);
    printFloor(report);
    std::printf("\n");
    printPerTelegram(report, "context switches per telegram", report.own.figures.switchesPerTelegram,
                     peer.figures.switchesPerTelegram, 1);
    printPairHeader("idle, per second", report);
    printPair("  on CPU, µs", report.own.figures.idleCpuMicrosPerSecond, peer.figures.idleCpuMicrosPerSecond, 0);
    printPair("  wake-ups", report.own.figures.idleWakeupsPerSecond, peer.figures.idleWakeupsPerSecond, 1);
    printMemory(report);
    printPeerNotes(report);
}

}  // namespace

void printReport(const Report& report) {
    printHeader(report);
    if (report.peer) {
        printCompared(report);
        return;
    }
    printLatencies(report);
    printOwnOnly(report);
}

}  // namespace lintor::bench
