#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "names/group_names.h"
#include "tools/lintor-tool/connection.h"
#include "tools/lintor-tool/tool_options.h"

namespace lintor::tool {

// What every command works with: its options, the names, and where it writes.
struct ToolContext {
    const ToolOptions& options;
    const GroupNames& names;
    std::FILE* out;
    std::FILE* err;

    // "lintor-tool: <text>" on the error stream.
    void report(const std::string& text) const;
    // One line on the output stream, flushed, so a pipe sees it at once.
    void print(const std::string& line) const;
    // "the gateway at 127.0.0.1:57627 closed the connection"
    void reportClosed(std::string_view peer, const Connection& connection) const;
    // The command's endpoint, connected; reported when it fails.
    std::optional<Connection> connect() const;
};

// "3 s", "0.5 s"
std::string secondsText(std::chrono::milliseconds duration);

// The group address of a command, with what is known of it.
struct Target {
    uint16_t groupAddress = 0;
    const GroupName* name = nullptr;
    std::optional<dpt::DatapointType> type;  // --dpt, else the names file's

    // "1/2/3" or "1/2/3 \"Kitchen light\""
    std::string text() const;
};

// The command's first argument as a target; reported when it names none.
std::optional<Target> resolveTarget(const ToolContext& context);

}  // namespace lintor::tool
