#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"

namespace lintor {

// Something wrong in the command line or the settings file, worded for the
// admin: "/etc/lintor/line1.conf:7: invalid port for [gateway] Port: 5x".
struct ConfigProblem {
    std::string text;
    bool fatal = true;  // false: a warning; the gateway runs anyway
};

struct Configuration {
    Options options;
    std::string path;  // the settings file; empty when there is none
    std::vector<ConfigProblem> problems;
    bool fileUnreadable = false;  // the settings file is there, but could not be read

    bool usable() const;
};

// The command line over the settings file it names (or defaultPath; the
// daemon has none), each file value checked as its option would be.
Configuration loadConfiguration(Program program, std::span<const std::string_view> arguments,
                                const std::string& defaultPath);

// What --check-config adds: whether the chosen device is there.
void checkDevice(Configuration& configuration);

}  // namespace lintor
