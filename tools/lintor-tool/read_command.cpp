#include "link/bus_message.h"
#include "link/group_request.h"
#include "tools/lintor-tool/bus_exchange.h"
#include "tools/lintor-tool/commands.h"
#include "tools/lintor-tool/exit_status.h"
#include "tools/lintor-tool/monitor_output.h"

namespace lintor::tool {
namespace {

bool respondsTo(const RecordDescription& record, uint16_t groupAddress) {
    return record.type == MSG_GROUP_VALUE_RESPONSE && record.telegram && record.telegram->groupDestination &&
           record.telegram->destination == groupAddress;
}

std::string valueText(const RecordDescription& response, const Target& target) {
    if (!target.type) return hexText(response.data);
    const std::string type = dpt::formatDatapointType(*target.type);
    if (!dpt::isKnown(*target.type)) return hexText(response.data) + " (lintor-tool does not decode " + type + ")";
    if (auto decoded = dpt::decode(*target.type, response.data)) return decoded->text;
    return hexText(response.data) + " (not a " + type + " value)";
}

}  // namespace

int runRead(const ToolContext& context) {
    const auto target = resolveTarget(context);
    if (!target) return EXIT_USAGE;
    const auto request = groupRequestRecord(GroupServiceCode::Read, 0x0000, target->groupAddress, {}, true);

    auto connection = context.connect();
    if (!connection) return EXIT_FAILED;
    bool confirmed = false;
    const Awaited awaited = exchange(context, *connection, request, [&](const RecordDescription& record) {
        if (confirms(record, request, target->groupAddress)) {
            if (record.telegram->confirmFailed) return true;
            confirmed = true;
        }
        return respondsTo(record, target->groupAddress);
    });
    switch (awaited.outcome) {
    case Awaited::Outcome::Lost:
        return EXIT_FAILED;
    case Awaited::Outcome::TimedOut:
        // Without the BCU's confirmation the request may never have reached the bus.
        if (!confirmed) {
            context.report("no confirmation from the BCU within " + secondsText(context.options.timeout) +
                           ": the read request to " + target->text() +
                           " may not have been sent (is the BCU connected? lintord's status says)");
            return EXIT_FAILED;
        }
        context.report("no response from " + target->text() + " within " + secondsText(context.options.timeout));
        return EXIT_NO_RESPONSE;
    case Awaited::Outcome::Matched:
        break;
    }
    RecordDescription response = describeRecord(awaited.record, context.names);
    if (response.kind == RecordDescription::Kind::Confirm) {
        context.report("the BCU could not send the read request to " + target->text() + " (negative confirmation)");
        return EXIT_FAILED;
    }
    if (context.options.json) {
        // --dpt applies here as it does to the text.
        if (target->type) response.decodeAs(*target->type);
        context.print(monitorJson(response, wallTimeNow()));
    } else {
        context.print(valueText(response, *target));
    }
    return EXIT_OK;
}

}  // namespace lintor::tool
