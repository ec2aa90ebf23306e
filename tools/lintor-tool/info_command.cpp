#include "link/individual_address.h"
#include "tools/lintor-tool/commands.h"
#include "tools/lintor-tool/device_commands.h"
#include "tools/lintor-tool/device_output.h"
#include "tools/lintor-tool/exit_status.h"

namespace lintor::tool {

int runInfo(const ToolContext& context) {
    const auto address = individualAddressArgument(context);
    if (!address) return EXIT_USAGE;
    auto connection = context.connect();
    if (!connection) return EXIT_FAILED;
    GatewayPort port(context, *connection);
    const auto probed = probeDevice(port, *address, context.options.timeout, ProbeDepth::Full);
    if (const auto* failure = std::get_if<BusFailure>(&probed)) {
        return reportFailure(context, *failure, formatIndividualAddress(*address));
    }
    const auto& facts = std::get<DeviceFacts>(probed);
    if (context.options.json) {
        context.print(deviceJson(facts));
        return EXIT_OK;
    }
    for (const std::string& line : deviceInfoLines(facts)) context.print(line);
    return EXIT_OK;
}

}  // namespace lintor::tool
