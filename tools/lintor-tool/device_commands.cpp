#include "tools/lintor-tool/device_commands.h"

#include "link/individual_address.h"
#include "tools/lintor-tool/exit_status.h"

namespace lintor::tool {

namespace {

constexpr size_t kDevicesOnALine = 256;

std::optional<AddressRange> parseLine(std::string_view text) {
    if (text.ends_with('.')) text.remove_suffix(1);
    // A line is the address of its device 0 without the device: "1.1" is 1.1.0.
    const auto first = parseIndividualAddress(std::string(text) + ".0");
    if (!first) return std::nullopt;
    return AddressRange{*first, kDevicesOnALine};
}

}  // namespace

std::optional<AddressRange> parseAddressRange(std::string_view text) {
    const size_t dash = text.find('-');
    if (dash == std::string_view::npos) return parseLine(text);
    const std::string_view from = text.substr(0, dash);
    const auto first = parseIndividualAddress(from);
    if (!first) return std::nullopt;
    // The last device on the same line: "1.1.10-20" ends at 1.1.20.
    const std::string_view line = from.substr(0, from.rfind('.') + 1);
    const auto last = parseIndividualAddress(std::string(line) + std::string(text.substr(dash + 1)));
    if (!last || *last < *first) return std::nullopt;
    return AddressRange{*first, size_t{*last} - *first + 1};
}

std::optional<uint16_t> individualAddressArgument(const ToolContext& context) {
    const std::string& given = context.options.arguments.at(0);
    const auto address = parseIndividualAddress(given);
    if (!address) context.report("\"" + given + "\" is not an individual address: give one such as 1.1.5");
    return address;
}

int reportFailure(const ToolContext& context, BusFailure failure, const std::string& device) {
    const std::string waited = secondsText(context.options.timeout);
    switch (failure) {
    case BusFailure::Absent:
        context.report("no device answers at " + device + " (nothing acknowledged the connection)");
        return EXIT_NO_RESPONSE;
    case BusFailure::BcuSilent:
        context.report("no confirmation from the BCU within " + waited +
                       " (is the BCU connected? lintord's status says)");
        return EXIT_FAILED;
    case BusFailure::NoAnswer:
        context.report(device + " acknowledged, but sent no answer within " + waited);
        return EXIT_NO_RESPONSE;
    case BusFailure::Disconnected:
        context.report(device + " ended the connection (is another tool connected to it?)");
        return EXIT_NO_RESPONSE;
    case BusFailure::Lost:
        return EXIT_FAILED;
    }
    return EXIT_FAILED;
}

}  // namespace lintor::tool
