#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "net/gateway_config.h"
#include "platform/log.h"

namespace lintor {

// One core, two programs: the desktop program with its window, and the
// daemon, which has no window options.
enum class Program { Desktop, Daemon };
std::string_view programName(Program program);  // "lintor", "lintord"

struct Options {
    GatewayConfig gateway;
    bool headless = false;
    bool simulate = false;
    std::string configFile;
    bool stats = false;
    log::Level logLevel = log::Level::Info;
    bool checkConfig = false;
    bool version = false;
    bool help = false;
};

struct ParsedCommandLine {
    Options options;
    std::vector<std::string_view> given;  // the options named, in order
    std::string error;                    // empty when the command line was understood
};

// The command line alone, on top of the defaults.
ParsedCommandLine parseCommandLine(Program program, std::span<const std::string_view> arguments);
// The desktop program's, for the callers that have no other.
inline ParsedCommandLine parseCommandLine(std::span<const std::string_view> arguments) {
    return parseCommandLine(Program::Desktop, arguments);
}
// Mistakes in the combination of options, wherever they came from.
std::string checkCombination(const Options& options);
// The help text; settingsPath is the settings file used without --config.
std::string usageText(Program program, const std::string& settingsPath);
inline std::string usageText(const std::string& settingsPath) { return usageText(Program::Desktop, settingsPath); }
std::string versionText();

}  // namespace lintor
