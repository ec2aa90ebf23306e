#include "tools/lintor-tool/commands.h"
#include "tools/lintor-tool/exit_status.h"
#include "tools/lintor-tool/follow_stream.h"
#include "tools/lintor-tool/monitor_output.h"
#include "tools/lintor-tool/record_stream.h"

namespace lintor::tool {

int runMonitor(const ToolContext& context) {
    auto connection = context.connect();
    if (!connection) return EXIT_FAILED;
    RecordStream stream;
    return followStream(context, *connection, "gateway", [&](std::span<const uint8_t> bytes) {
        stream.feed(bytes);
        while (const auto record = stream.next()) {
            const RecordDescription description = describeRecord(*record, context.names);
            const WallTime now = wallTimeNow();
            context.print(context.options.json ? monitorJson(description, now) : monitorLine(description, now));
        }
    });
}

}  // namespace lintor::tool
