// End-to-end figures of the built gateway on the simulated BCU's pty: uplink
// and downlink latency, CPU and context switches per telegram, idle CPU and
// resident memory; with --peer knxd, the same of knxd on a simulated BCU of
// its own, measured in turns with ours. Run by hand (bench/e2e); prints one
// table and writes the same as JSON.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/end_to_end/downlink.h"
#include "bench/end_to_end/knxd_peer.h"
#include "bench/end_to_end/pty_floor.h"
#include "bench/end_to_end/report.h"
#include "bench/end_to_end/subject.h"
#include "bench/end_to_end/uplink.h"
#include "platform/file_limit.h"

namespace lintor::bench {
namespace {

using namespace std::chrono_literals;

constexpr const char* kKnxd = "knxd";
constexpr size_t kChurnClients = 1000;

struct Settings {
    std::string lintord;
    std::string jsonPath = "e2e.json";
    size_t scale = 1;  // divides every sample count
    std::string peer;  // empty, or "knxd"
};

std::string today() {
    const std::time_t now = std::time(nullptr);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d", std::localtime(&now));
    return text;
}

class Bench {
public:
    explicit Bench(Settings settings) : settings_(std::move(settings)) {}
    int run();

private:
    bool startGateways();
    void measureIdle();
    bool measureUplinks();
    void measureChurn(Subject& subject);
    Report report() const;
    size_t scaled(size_t count) const { return std::max<size_t>(count / settings_.scale, 5); }

    Settings settings_;
    PtyFloor floor_;
    // Ours first.
    std::vector<Subject> subjects_;
};

bool Bench::startGateways() {
    progress("starting " + settings_.lintord);
    auto own = startLintord(settings_.lintord);
    if (!own) return false;
    subjects_.emplace_back(std::move(*own), false);
    if (settings_.peer.empty()) return true;
    progress("starting knxd");
    auto peer = startKnxd();
    if (!peer) return false;
    subjects_.emplace_back(std::move(*peer), true);
    return true;
}

// All at once: idle, none disturbs another.
void Bench::measureIdle() {
    progress("idle");
    std::this_thread::sleep_for(1s);
    for (Subject& subject : subjects_) subject.figures.start = processStats(subject.pid());
    const auto seconds = 10.0 / static_cast<double>(settings_.scale);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    for (Subject& subject : subjects_) {
        const ProcessStats after = processStats(subject.pid());
        const ProcessStats& before = subject.figures.start;
        subject.figures.idleCpuMicrosPerSecond =
            static_cast<double>(after.onCpuNanos - before.onCpuNanos) / 1000.0 / seconds;
        subject.figures.idleWakeupsPerSecond =
            static_cast<double>(after.contextSwitches - before.contextSwitches) / seconds;
    }
}

// Each load on every gateway in turn, so that each comparison is of one
// moment of this machine.
bool Bench::measureUplinks() {
    for (const size_t readers : {1, 100, 1000}) {
        for (const auto& [rate, telegrams] : {std::pair{5, scaled(60)}, std::pair{50, scaled(500)}}) {
            for (Subject& subject : subjects_) {
                if (measureUplink(subject, {readers, rate, telegrams})) continue;
                std::fprintf(stderr, "e2e: %s passed no telegram on to its readers\n", subject.gateway.name.c_str());
                return false;
            }
        }
    }
    return true;
}

void Bench::measureChurn(Subject& subject) {
    subject.pool.reset();
    progress(subject, std::to_string(kChurnClients) + " clients come and go");
    subject.figures.churnOffered = kChurnClients;
    subject.figures.churnTaken = churn(subject.gateway.port, kChurnClients, *subject.gateway.protocol);
    std::this_thread::sleep_for(2s);
    subject.figures.churn = processStats(subject.pid());
}

Report Bench::report() const {
    const auto measured = [](const Subject& subject) {
        const Gateway& gateway = subject.gateway;
        return Measured{gateway.name, gateway.version, gateway.commandLine, gateway.nice, subject.figures};
    };
    Report report{today(), floor_.onCpuMicrosPerRead, measured(subjects_.front()), std::nullopt};
    if (subjects_.size() > 1) report.peer = measured(subjects_.back());
    return report;
}

int Bench::run() {
    raiseOpenFileLimit();
    progress("pty floor");
    floor_ = measurePtyFloor(scaled(500));
    if (!startGateways()) return 1;
    Subject& own = subjects_.front();
    own.figures.rows.push_back({"pty only: write() to read()", summarize(floor_.latencies), 0, 0});
    measureIdle();
    if (!measureUplinks()) return 1;
    // Only the peer's readers go: ours are reused for the downlink.
    for (size_t i = 1; i < subjects_.size(); ++i) subjects_[i].pool.reset();
    measureDownlink(own, false, scaled(30));
    measureDownlink(own, true, scaled(30));
    measureDownlinkUnderFlood(own, scaled(30));
    for (Subject& subject : subjects_) measureChurn(subject);
    const Report result = report();
    printReport(result);
    writeJson(result, settings_.jsonPath);
    return 0;
}

const char* const kUsage =
    "Usage: lintor_e2e LINTORD [--json FILE] [--quick] [--peer knxd]\n"
    "Runs LINTORD on a simulated BCU and measures it end to end (about 4 minutes;\n"
    "--quick: a fifth of the samples). --peer knxd: knxd from PATH as well, on a\n"
    "simulated BCU of its own, and every figure beside ours with the ratio.\n";

}  // namespace
}  // namespace lintor::bench

int main(int argc, char** argv) {
    using namespace lintor::bench;
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--json" && i + 1 < argc) {
            settings.jsonPath = argv[++i];
        } else if (argument == "--quick") {
            settings.scale = 5;
        } else if (argument == "--peer" && i + 1 < argc && std::string(argv[i + 1]) == kKnxd) {
            settings.peer = argv[++i];
        } else if (argument == "--help" || argument.starts_with("-") || !settings.lintord.empty()) {
            std::fputs(kUsage, argument == "--help" ? stdout : stderr);
            return argument == "--help" ? 0 : 2;
        } else {
            settings.lintord = argument;
        }
    }
    if (settings.lintord.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    return Bench(settings).run();
}
