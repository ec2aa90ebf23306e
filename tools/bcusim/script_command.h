#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "tools/bcusim/simulator_options.h"

namespace lintor::bcusim {

struct IndicationCommand {
    std::vector<uint8_t> message;
};
struct GroupWriteCommand {
    uint16_t group = 0;
    uint32_t value = 0;
    int dataBytes = 0;
};
struct RawCommand {
    std::vector<uint8_t> bytes;
};
struct AckCommand {
    AckMode mode = AckMode::Normal;
    std::chrono::milliseconds delay{0};
};
struct ByteGapCommand {
    std::chrono::milliseconds gap{0};
};
struct RepeatCommand {
    bool on = false;
};
struct GarbageCommand {
    size_t count = 0;
};
struct SilentCommand {
    bool on = false;
};
struct ProgrammingModeCommand {
    uint16_t device = 0;
    bool on = false;
};
struct HangUpCommand {};
struct ReplugCommand {};
struct SleepCommand {
    std::chrono::milliseconds duration{0};
};
struct QuitCommand {};

using ScriptCommand = std::variant<IndicationCommand, GroupWriteCommand, RawCommand, AckCommand, ByteGapCommand,
                                   RepeatCommand, GarbageCommand, SilentCommand, ProgrammingModeCommand, HangUpCommand,
                                   ReplugCommand, SleepCommand, QuitCommand>;

// A line of a script: a command, an error text, or neither for a blank line
// or a comment. A line whose first word starts with '#' is a comment, and so
// is the rest of a line from a lone '#' word; "#0a03" later in a line stays
// a group address.
struct ScriptLine {
    std::optional<ScriptCommand> command;
    std::string error;
};

ScriptLine parseScriptLine(std::string_view line);

// The smallest size that carries the value: six bits up to 63, then 1, 2
// or 4 bytes.
int smallestValueSize(uint32_t value);

}  // namespace lintor::bcusim
