#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "net/gateway_config.h"
#include "platform/log.h"

namespace lintor {

struct Options {
    GatewayConfig gateway;
    bool headless = false;
    bool simulate = false;
    std::string configFile;
    bool stats = false;
    log::Level logLevel = log::Level::Info;
    bool version = false;
    bool help = false;
};

struct ParsedCommandLine {
    Options options;
    std::string error;  // empty when the command line was understood
};

ParsedCommandLine parseCommandLine(std::span<const std::string_view> arguments);
// The help text; settingsPath is the settings file used without --config.
std::string usageText(const std::string& settingsPath);
std::string versionText();

}  // namespace lintor
