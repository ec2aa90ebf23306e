#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "dpt/datapoint_type.h"
#include "net/gateway_config.h"

namespace lintor::tool {

enum class Command { Monitor, Write, Read, Watch, Devices, Info, Progmode, SetAddress };

inline constexpr uint16_t DEFAULT_GATEWAY_PORT = BUS_GATEWAY_PORT;
inline constexpr uint16_t DEFAULT_PROXY_PORT = PROXY_PORT;

struct ToolOptions {
    Command command = Command::Monitor;
    std::string host = "127.0.0.1";
    std::optional<uint16_t> port;  // the command's default port when empty
    std::string namesFile;
    bool json = false;
    std::optional<dpt::DatapointType> type;
    std::chrono::milliseconds timeout{3000};
    std::vector<std::string> arguments;  // GA [VALUE], LINE or ADDRESS

    uint16_t portOrDefault() const;
};

// --help, --version, or a mistake: what to print, and where.
struct ToolMessage {
    std::string text;
    bool error = false;
};

std::variant<ToolOptions, ToolMessage> parseToolArguments(std::span<const char* const> arguments);

}  // namespace lintor::tool
