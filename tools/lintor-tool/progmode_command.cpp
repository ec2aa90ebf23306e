#include "link/individual_address.h"
#include "tools/lintor-tool/address_broadcast.h"
#include "tools/lintor-tool/commands.h"
#include "tools/lintor-tool/device_commands.h"
#include "tools/lintor-tool/exit_status.h"
#include "tools/lintor-tool/json_object.h"

namespace lintor::tool {

int runProgmode(const ToolContext& context) {
    auto connection = context.connect();
    if (!connection) return EXIT_FAILED;
    GatewayPort port(context, *connection);
    const auto answered = devicesInProgrammingMode(port, context.options.timeout);
    if (const auto* failure = std::get_if<BusFailure>(&answered)) {
        return reportFailure(context, *failure, "the line");
    }
    const auto& addresses = std::get<std::vector<uint16_t>>(answered);
    for (const uint16_t address : addresses) {
        const std::string text = formatIndividualAddress(address);
        context.print(context.options.json ? JsonObject().add("address", text).text() : text);
    }
    if (!addresses.empty()) return EXIT_OK;
    context.report("no device is in programming mode");
    return EXIT_NO_RESPONSE;
}

}  // namespace lintor::tool
