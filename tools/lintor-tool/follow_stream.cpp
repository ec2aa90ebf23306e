#include "tools/lintor-tool/follow_stream.h"

#include <array>
#include <string>

#include "tools/lintor-tool/exit_status.h"

namespace lintor::tool {

int followStream(const ToolContext& context, Connection& connection, std::string_view peer,
                 const std::function<void(std::span<const uint8_t>)>& onBytes) {
    std::array<uint8_t, 4096> buffer{};
    for (;;) {
        const Connection::Received received = connection.receive(buffer, std::nullopt);
        if (const auto* count = std::get_if<size_t>(&received)) {
            onBytes(std::span(buffer).first(*count));
            continue;
        }
        if (const auto* failure = std::get_if<Connection::Failure>(&received)) {
            context.report(failure->message);
            return EXIT_FAILED;
        }
        if (std::holds_alternative<Connection::Closed>(received)) {
            context.reportClosed(peer, connection);
            return EXIT_FAILED;
        }
    }
}

}  // namespace lintor::tool
