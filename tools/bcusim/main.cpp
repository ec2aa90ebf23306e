// lintor-bcusim: a simulated BCU on a pseudo-terminal, driven by commands.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <charconv>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "link/bus_interface.h"
#include "platform/blocked_signals.h"
#include "platform/unique_fd.h"
#include "tools/bcusim/bcu_simulator.h"
#include "tools/bcusim/line_reader.h"
#include "tools/bcusim/script_runner.h"

namespace lintor::bcusim {
namespace {

constexpr std::string_view kUsage =
    R"(usage: lintor-bcusim [--demo] [--interface emi|cemi] [--seed N] [--script FILE] [--link PATH]
                     [--log FILE] [--quiet]

Simulates a BCU on a pseudo-terminal and prints its device path. Commands
come from FILE, then from standard input, one per line ('#' starts a comment):
  ind <hex bytes>              queue an EMI message: ind 29 BC 11 01 0A 03 E1 00 81
                               (with --interface cemi an L_Data.ind goes as cEMI)
  write <GA> <value> [bytes]   group write to 1/2/3 or #0a03; bytes 0 (six bits), 1, 2 or 4
  raw <hex bytes>              bytes straight onto the line
  ack on|off|late <ms>         acknowledge at once, never, or late
  bytegap <ms>                 send every byte on its own, this far apart (0: whole frames)
  repeat on|off                send every frame twice, as a bus repetition would
  garbage <n>                  n pseudo-random bytes
  silent on|off                answer nothing at all
  progmode <IA> on|off         a simulated device's programming mode, as its button: progmode 1.1.13 on
  hangup                       close the line, as when the adapter is unplugged
  replug                       a new line in place of the old one (with --link under the same name)
  sleep <ms>                   pause the commands
  quit                         end

  --demo       simulated switches, a dimmer, a temperature sensor and an energy
               meter send on their own and answer group reads; as 1.1.11 to
               1.1.15 they answer management with or without it
  --interface emi|cemi
               emi (default): a BCU 2 speaking EMI; cemi: a cEMI module such as
               a kBerry, which carries L_Data only once the host has written
               the data link layer as its communication mode after a reset
  --seed N     seed of the demo devices and of garbage (default 1)
  --script F   commands to run before standard input
  --link PATH  a symbolic link PATH to the device, removed at exit
  --log FILE   log the traffic to FILE instead of standard error
  --quiet      no traffic log
With --demo or --script the simulator keeps running after the end of standard
input until SIGINT or SIGTERM.
)";

struct ProgramOptions {
    bool demo = false;
    bool quiet = false;
    bool help = false;
    BusInterface interface = BusInterface::Emi;
    uint32_t seed = 1;
    std::string script;
    std::string link;
    std::string logFile;
};

void printError(std::string_view text) {
    std::fprintf(stderr, "lintor-bcusim: %.*s\n", static_cast<int>(text.size()), text.data());
}

std::optional<uint32_t> parseSeed(std::string_view text) {
    uint32_t seed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return seed;
}

std::optional<ProgramOptions> parseArguments(std::span<char*> args) {
    ProgramOptions options;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--demo") {
            options.demo = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--seed" && hasValue) {
            const auto seed = parseSeed(args[++i]);
            if (!seed) {
                printError("--seed needs a number");
                return std::nullopt;
            }
            options.seed = *seed;
        } else if (arg == "--interface" && hasValue) {
            const auto interface = parseBusInterface(args[++i]);
            if (!interface) {
                printError("--interface is emi or cemi");
                return std::nullopt;
            }
            options.interface = *interface;
        } else if (arg == "--script" && hasValue) {
            options.script = args[++i];
        } else if (arg == "--link" && hasValue) {
            options.link = args[++i];
        } else if (arg == "--log" && hasValue) {
            options.logFile = args[++i];
        } else {
            printError("unknown or incomplete option '" + std::string(arg) + "' (try --help)");
            return std::nullopt;
        }
    }
    return options;
}

using FileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

LogSink logSinkFor(std::FILE* stream) {
    return [stream](std::string_view line) {
        std::fprintf(stream, "%.*s\n", static_cast<int>(line.size()), line.data());
        std::fflush(stream);
    };
}

ScriptRunner::Outcome runLines(LineReader& reader, ScriptRunner& runner, std::string_view source) {
    std::string line;
    for (int number = 1;; ++number) {
        const LineReader::Status status = reader.next(line);
        if (status == LineReader::Status::EndOfInput) return ScriptRunner::Outcome::Continue;
        if (status == LineReader::Status::Interrupted) return ScriptRunner::Outcome::Interrupted;

        const ScriptLine parsed = parseScriptLine(line);
        if (!parsed.error.empty()) {
            printError(std::string(source) + ":" + std::to_string(number) + ": " + parsed.error);
        }
        if (!parsed.command) continue;
        if (const auto outcome = runner.run(*parsed.command); outcome != ScriptRunner::Outcome::Continue) {
            return outcome;
        }
    }
}

ScriptRunner::Outcome runScriptFile(const std::string& path, ScriptRunner& runner, int interruptFd) {
    const UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) {
        printError("cannot open script " + path + ": " + errorText(errno));
        return ScriptRunner::Outcome::Continue;
    }
    LineReader reader(file.get(), interruptFd);
    return runLines(reader, runner, path);
}

void waitFor(const BlockedSignals& signals) {
    pollfd p{signals.fd(), POLLIN, 0};
    while (::poll(&p, 1, -1) < 0 && errno == EINTR) {}
}

int run(const ProgramOptions& options, const BlockedSignals& signals) {
    FileHandle logFile(nullptr, std::fclose);
    if (!options.logFile.empty()) {
        logFile.reset(std::fopen(options.logFile.c_str(), "we"));
        if (!logFile) {
            printError("cannot open log " + options.logFile + ": " + errorText(errno));
            return 1;
        }
    }
    Options simulatorOptions;
    simulatorOptions.demo = options.demo;
    simulatorOptions.seed = options.seed;
    simulatorOptions.interface = options.interface;
    simulatorOptions.linkPath = options.link;
    if (!options.quiet) simulatorOptions.log = logSinkFor(logFile ? logFile.get() : stderr);

    auto started = BcuSimulator::start(simulatorOptions);
    if (!started.ok()) {
        printError("cannot start: " + errorText(started.error()) +
                   (options.link.empty() ? "" : " (pseudo-terminal or link " + options.link + ")"));
        return 1;
    }
    BcuSimulator& simulator = *started.value();
    std::printf("Simulated BCU on %s\n", simulator.devicePath().c_str());
    std::fflush(stdout);

    ScriptRunner runner(simulator, signals.fd());
    auto outcome = ScriptRunner::Outcome::Continue;
    if (!options.script.empty()) outcome = runScriptFile(options.script, runner, signals.fd());
    if (outcome == ScriptRunner::Outcome::Continue) {
        LineReader input(STDIN_FILENO, signals.fd());
        outcome = runLines(input, runner, "stdin");
    }
    const bool keepRunning = options.demo || !options.script.empty();
    if (outcome == ScriptRunner::Outcome::Continue && keepRunning) waitFor(signals);
    return 0;
}

}  // namespace
}  // namespace lintor::bcusim

int main(int argc, char** argv) {
    using namespace lintor::bcusim;
    const auto options = parseArguments(std::span(argv, static_cast<size_t>(argc)));
    if (!options) return 2;
    if (options->help) {
        std::fputs(kUsage.data(), stdout);
        return 0;
    }
    // Before the simulator's thread exists, so that it inherits the mask and
    // the signals reach only the signalfd.
    auto signals = lintor::BlockedSignals::block({SIGINT, SIGTERM});
    if (!signals.ok()) {
        printError("cannot block SIGINT and SIGTERM: " + lintor::errorText(signals.error()));
        return 1;
    }
    return run(*options, signals.value());
}
