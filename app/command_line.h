#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lintor {

inline constexpr uint16_t BUS_GATEWAY_PORT = 57627;
inline constexpr uint16_t PROXY_PORT = 5003;

struct Options {
    bool headless = false;
    std::string device;
    bool simulate = false;
    uint16_t gatewayPort = BUS_GATEWAY_PORT;
    uint16_t proxyPort = PROXY_PORT;
    std::string listenAddress;  // empty: all addresses
    std::string configFile;
    bool stats = false;
    bool version = false;
    bool help = false;
};

struct ParsedCommandLine {
    Options options;
    std::string error;  // empty when the command line was understood
};

ParsedCommandLine parseCommandLine(std::span<const std::string_view> arguments);
std::string usageText();
std::string versionText();

}  // namespace lintor
