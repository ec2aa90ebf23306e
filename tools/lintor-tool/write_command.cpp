#include <charconv>

#include "dpt/dpt_codec.h"
#include "link/emi.h"
#include "link/group_request.h"
#include "tools/lintor-tool/bus_exchange.h"
#include "tools/lintor-tool/commands.h"
#include "tools/lintor-tool/exit_status.h"

namespace lintor::tool {
namespace {

constexpr dpt::DatapointType kSwitch{1, 1};

// Without a type, a number 0..63 goes out in the six bits of the APCI byte,
// and the words of a switch as 1.001.
std::variant<dpt::GroupValue, std::string> untypedValue(const Target& target, std::string_view text) {
    unsigned number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error == std::errc{} && end == text.data() + text.size() && number <= emi::APCI_SHORT_DATA_MASK) {
        return dpt::GroupValue{{static_cast<uint8_t>(number)}, true};
    }
    auto encoded = dpt::encode(kSwitch, text);
    if (auto* value = std::get_if<dpt::GroupValue>(&encoded)) return std::move(*value);
    return "no datapoint type is known for " + target.text() +
           ": give one with --dpt (such as --dpt 9.001), or a names file that has it";
}

std::variant<dpt::GroupValue, std::string> valueFor(const Target& target, std::string_view text) {
    if (!target.type) return untypedValue(target, text);
    auto encoded = dpt::encode(*target.type, text);
    if (auto* failure = std::get_if<dpt::EncodeFailure>(&encoded)) return failure->message;
    return std::get<dpt::GroupValue>(std::move(encoded));
}

// What went out, as the type reads it back: "1000.32 lx" for a typed 1000,
// since the type may round.
std::string sentText(const Target& target, const dpt::GroupValue& value, const std::string& typed) {
    if (!target.type) return typed;
    const auto decoded = dpt::decode(*target.type, value.bytes);
    return decoded ? decoded->text : typed;
}

}  // namespace

int runWrite(const ToolContext& context) {
    const auto target = resolveTarget(context);
    if (!target) return EXIT_USAGE;
    const std::string& text = context.options.arguments.at(1);
    const auto value = valueFor(*target, text);
    if (const auto* message = std::get_if<std::string>(&value)) {
        context.report(*message);
        return EXIT_USAGE;
    }
    const auto& groupValue = std::get<dpt::GroupValue>(value);
    // Source 0.0.0: the BCU sends with its own individual address.
    const auto request =
        groupRequestRecord(GroupServiceCode::Write, 0x0000, target->groupAddress, groupValue.bytes, groupValue.sixBit);

    auto connection = context.connect();
    if (!connection) return EXIT_FAILED;
    const Awaited awaited = exchange(context, *connection, request, [&](const RecordDescription& record) {
        return confirms(record, request, target->groupAddress);
    });
    switch (awaited.outcome) {
    case Awaited::Outcome::Lost:
        return EXIT_FAILED;
    case Awaited::Outcome::TimedOut:
        context.report("no confirmation from the BCU within " + secondsText(context.options.timeout) + ": " +
                       target->text() + " may not have been written (is the BCU connected? lintord's status says)");
        return EXIT_FAILED;
    case Awaited::Outcome::Matched:
        break;
    }
    const RecordDescription confirmation = describeRecord(awaited.record, context.names);
    if (confirmation.telegram->confirmFailed) {
        context.report("the BCU could not send the telegram to " + target->text() + " (negative confirmation)");
        return EXIT_FAILED;
    }
    context.print("wrote " + sentText(*target, groupValue, text) + " to " + target->text());
    return EXIT_OK;
}

}  // namespace lintor::tool
