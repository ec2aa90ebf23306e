#include "tools/lintor-tool/bus_port.h"

#include <array>

namespace lintor::tool {

bool GatewayPort::send(std::span<const uint8_t> record) {
    const auto failure = connection_.sendAll(record);
    if (failure) context_.report(failure->message);
    return !failure;
}

BusPort::Next GatewayPort::next(Connection::Clock::time_point deadline) {
    std::array<uint8_t, 4096> buffer{};
    for (;;) {
        if (const auto record = stream_.next()) return std::vector<uint8_t>(record->begin(), record->end());
        const Connection::Received received = connection_.receive(buffer, deadline);
        if (std::holds_alternative<Connection::TimedOut>(received)) return TimedOut{};
        if (const auto* count = std::get_if<size_t>(&received)) {
            stream_.feed(std::span(buffer).first(*count));
            continue;
        }
        if (const auto* failure = std::get_if<Connection::Failure>(&received)) {
            context_.report(failure->message);
        } else {
            context_.reportClosed("gateway", connection_);
        }
        return Lost{};
    }
}

}  // namespace lintor::tool
