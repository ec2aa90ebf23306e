#include "link/individual_address.h"
#include "tools/lintor-tool/commands.h"
#include "tools/lintor-tool/device_commands.h"
#include "tools/lintor-tool/device_output.h"
#include "tools/lintor-tool/exit_status.h"
#include "tools/lintor-tool/progress_bar.h"

namespace lintor::tool {
namespace {

constexpr size_t kDevicesOnALine = 256;

// Failures that end the scan; the others only say that nothing is at that address.
bool endsScan(BusFailure failure) { return failure == BusFailure::BcuSilent || failure == BusFailure::Lost; }

}  // namespace

int runDevices(const ToolContext& context) {
    const std::string& given = context.options.arguments.at(0);
    const auto line = parseLine(given);
    if (!line) {
        context.report("\"" + given + "\" is not a line: give one such as 1.1");
        return EXIT_USAGE;
    }
    auto connection = context.connect();
    if (!connection) return EXIT_FAILED;
    GatewayPort port(context, *connection);
    ProgressBar progress(context.err, kDevicesOnALine);
    size_t found = 0;
    for (size_t device = 0; device < kDevicesOnALine; ++device) {
        const auto address = static_cast<uint16_t>(*line + device);
        progress.show(device, formatIndividualAddress(address));
        const auto probed = probeDevice(port, address, context.options.timeout, ProbeDepth::Scan);
        if (const auto* failure = std::get_if<BusFailure>(&probed)) {
            if (!endsScan(*failure)) continue;
            progress.hide();
            return reportFailure(context, *failure, formatIndividualAddress(address));
        }
        const auto& facts = std::get<DeviceFacts>(probed);
        progress.hide();
        context.print(context.options.json ? deviceJson(facts) : deviceLine(facts));
        ++found;
    }
    progress.hide();
    if (found > 0) return EXIT_OK;
    context.report("no device answers on line " + given);
    return EXIT_NO_RESPONSE;
}

}  // namespace lintor::tool
