#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "tools/lintor-tool/connection.h"
#include "tools/lintor-tool/record_stream.h"
#include "tools/lintor-tool/tool_context.h"

namespace lintor::tool {

// Why a device command got no answer.
enum class BusFailure {
    Absent,        // no device acknowledged the telegram: the BCU confirmed it negatively
    BcuSilent,     // the BCU confirmed nothing within the time-out
    NoAnswer,      // the device acknowledged, but sent nothing back within the time-out
    Disconnected,  // the device ended the connection
    Lost,          // the connection to the gateway ended (reported where it happened)
};

// Records to and from the gateway port, one at a time: the seam between the
// device commands and the socket, which tests replace with a script.
class BusPort {
public:
    struct TimedOut {};
    struct Lost {};
    using Next = std::variant<std::vector<uint8_t>, TimedOut, Lost>;

    virtual ~BusPort() = default;
    // False when the connection is gone.
    virtual bool send(std::span<const uint8_t> record) = 0;
    // The next whole record, header included.
    virtual Next next(Connection::Clock::time_point deadline) = 0;
};

// The gateway port itself. A lost connection is reported here.
class GatewayPort final : public BusPort {
public:
    GatewayPort(const ToolContext& context, Connection& connection) : context_(context), connection_(connection) {}

    bool send(std::span<const uint8_t> record) override;
    Next next(Connection::Clock::time_point deadline) override;

private:
    const ToolContext& context_;
    Connection& connection_;
    RecordStream stream_;
};

}  // namespace lintor::tool
