#include "link/individual_address.h"
#include "tools/lintor-tool/commands.h"
#include "tools/lintor-tool/device_commands.h"
#include "tools/lintor-tool/device_output.h"
#include "tools/lintor-tool/exit_status.h"
#include "tools/lintor-tool/progress_bar.h"

namespace lintor::tool {
namespace {

// Failures that end the scan; the others only say that nothing is at that address.
bool endsScan(BusFailure failure) { return failure == BusFailure::BcuSilent || failure == BusFailure::Lost; }

}  // namespace

int runDevices(const ToolContext& context) {
    const std::string& given = context.options.arguments.at(0);
    const auto range = parseAddressRange(given);
    if (!range) {
        context.report("\"" + given + "\" is not a line: give one such as 1.1, or part of one such as 1.1.10-20");
        return EXIT_USAGE;
    }
    auto connection = context.connect();
    if (!connection) return EXIT_FAILED;
    GatewayPort port(context, *connection);
    ProgressBar progress(context.err, range->count);
    size_t found = 0;
    for (size_t done = 0; done < range->count; ++done) {
        const auto address = static_cast<uint16_t>(range->first + done);
        progress.show(done, formatIndividualAddress(address));
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
    context.report("no device answers at " + given);
    return EXIT_NO_RESPONSE;
}

}  // namespace lintor::tool
