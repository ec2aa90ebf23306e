#include "tools/lintor-tool/commands.h"
#include "tools/lintor-tool/exit_status.h"
#include "tools/lintor-tool/follow_stream.h"
#include "tools/lintor-tool/proxy_info_reader.h"
#include "tools/lintor-tool/watch_output.h"

namespace lintor::tool {

int runWatch(const ToolContext& context) {
    auto connection = context.connect();
    if (!connection) return EXIT_FAILED;
    ProxyInfoReader reader;
    bool toldOfSkipped = false;
    return followStream(context, *connection, "proxy", [&](std::span<const uint8_t> bytes) {
        reader.feed(bytes);
        while (const auto info = reader.next()) {
            const GroupName* name = context.names.find(info->groupAddress);
            const WallTime now = wallTimeNow();
            context.print(context.options.json ? watchJson(*info, name, now) : watchLine(*info, name, now));
        }
        if (reader.skipped() > 0 && !toldOfSkipped) {
            context.report("passing over text from " + connection->endpoint().text() +
                           " that is no ProxyInfo line: is it the proxy port of lintord?");
            toldOfSkipped = true;
        }
    });
}

}  // namespace lintor::tool
