#include "link/individual_address.h"
#include "tools/lintor-tool/address_assignment.h"
#include "tools/lintor-tool/commands.h"
#include "tools/lintor-tool/device_commands.h"
#include "tools/lintor-tool/exit_status.h"

namespace lintor::tool {
namespace {

using Kind = AssignmentOutcome::Kind;

std::string addressList(const std::vector<uint16_t>& addresses) {
    std::string text;
    for (const uint16_t address : addresses) text += (text.empty() ? "" : ", ") + formatIndividualAddress(address);
    return text.empty() ? "none" : text;
}

int reportOutcome(const ToolContext& context, const AssignmentOutcome& outcome, const std::string& wanted) {
    switch (outcome.kind) {
    case Kind::Given:
        context.print("gave " + wanted + " to the device in programming mode (it had " +
                      formatIndividualAddress(outcome.inProgrammingMode.front()) + ")");
        return EXIT_OK;
    case Kind::AlreadyHad:
        context.print("the device in programming mode has " + wanted + " already");
        return EXIT_OK;
    case Kind::NoneInProgrammingMode:
        context.report("no device is in programming mode: press the programming button of the one to get " + wanted);
        return EXIT_REFUSED;
    case Kind::SeveralInProgrammingMode:
        context.report("several devices are in programming mode (" + addressList(outcome.inProgrammingMode) +
                       "): leave only the one to get " + wanted + " in it");
        return EXIT_REFUSED;
    case Kind::Taken:
        context.report(wanted + " is taken: a device answers there");
        return EXIT_REFUSED;
    case Kind::NotVerified:
        context.report("wrote " + wanted + ", but the devices in programming mode answer with " +
                       addressList(outcome.inProgrammingMode));
        return EXIT_FAILED;
    case Kind::Failed:
        break;
    }
    const BusFailure failure = outcome.failure.value_or(BusFailure::Lost);
    // The only telegram to all that must be heard is the write.
    if (failure == BusFailure::Absent) {
        context.report("nothing on the line acknowledged the write of " + wanted);
        return EXIT_FAILED;
    }
    return reportFailure(context, failure, wanted);
}

}  // namespace

int runSetAddress(const ToolContext& context) {
    const auto wanted = individualAddressArgument(context);
    if (!wanted) return EXIT_USAGE;
    auto connection = context.connect();
    if (!connection) return EXIT_FAILED;
    GatewayPort port(context, *connection);
    const AssignmentOutcome outcome = assignIndividualAddress(port, *wanted, context.options.timeout);
    return reportOutcome(context, outcome, formatIndividualAddress(*wanted));
}

}  // namespace lintor::tool
