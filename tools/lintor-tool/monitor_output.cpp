#include "tools/lintor-tool/monitor_output.h"

#include "link/group_address.h"
#include "link/individual_address.h"
#include "platform/log.h"
#include "tools/lintor-tool/json_object.h"

namespace lintor::tool {
namespace {

using Kind = RecordDescription::Kind;

std::string kindText(const RecordDescription& record) {
    switch (record.kind) {
    case Kind::Indication:
        return "indication";
    case Kind::Confirm:
        if (!record.telegram) return "confirm";
        return record.telegram->confirmFailed ? "confirm negative" : "confirm positive";
    case Kind::Frame:
        return "frame";
    case Kind::Other:
        break;
    }
    return "record " + log::hexWord(record.type);
}

std::string_view jsonKind(Kind kind) {
    switch (kind) {
    case Kind::Indication:
        return "indication";
    case Kind::Confirm:
        return "confirm";
    case Kind::Frame:
        return "frame";
    case Kind::Other:
        break;
    }
    return "other";
}

std::string serviceText(const RecordDescription& record) {
    if (!record.service.empty()) return std::string(record.service);
    return "unknown service";
}

// What follows the service: the value bytes of a group value, the whole
// TPDU of other services.
std::string dataText(const RecordDescription& record) {
    if (record.groupValue) return hexText(record.data);
    if (record.service.starts_with("GroupValue_")) return {};
    return hexText(record.telegram->tpdu);
}

std::string flagsText(const TelegramView& telegram) {
    std::string text =
        "[" + std::string(priorityName(telegram.priority)) + ", hops " + std::to_string(telegram.hopCount);
    if (telegram.repeated) text += ", repeated";
    return text + "]";
}

std::string telegramLine(const RecordDescription& record) {
    const TelegramView& telegram = *record.telegram;
    std::string line = formatIndividualAddress(telegram.source) + " -> " + destinationText(telegram);
    if (record.name) line += " \"" + record.name->name + "\"";
    line += " " + serviceText(record);
    if (const std::string data = dataText(record); !data.empty()) line += " " + data;
    if (record.value) line += " = " + record.value->text;
    return line + " " + flagsText(telegram);
}

void addTelegram(JsonObject& object, const RecordDescription& record) {
    const TelegramView& telegram = *record.telegram;
    if (record.kind == Kind::Confirm) object.add("confirm", telegram.confirmFailed ? "negative" : "positive");
    object.add("source", formatIndividualAddress(telegram.source))
        .add("destination", destinationText(telegram))
        .add("destination_kind", telegram.groupDestination ? "group" : "individual")
        .add("priority", priorityName(telegram.priority))
        .add("repeated", telegram.repeated)
        .add("hops", int64_t{telegram.hopCount})
        .add("service", record.service)
        .add("tpdu", hexText(telegram.tpdu));
    if (record.groupValue) object.add("data", hexText(record.data));
    if (record.name) {
        object.add("name", record.name->name).add("path", record.name->path);
    }
    if (record.datapointType) object.add("dpt", dpt::formatDatapointType(*record.datapointType));
    if (record.value) addDecodedValue(object, *record.value);
}

}  // namespace

void addDecodedValue(JsonObject& object, const dpt::Decoded& value) {
    if (value.number) {
        object.add("value", *value.number);
    } else {
        object.add("value", value.text);
    }
    object.add("text", value.text);
    if (!value.unit.empty()) object.add("unit", value.unit);
}

std::string hexText(std::span<const uint8_t> bytes) { return log::hex(bytes, bytes.size()); }

std::string destinationText(const TelegramView& telegram) {
    return telegram.groupDestination ? formatGroupAddress(telegram.destination)
                                     : formatIndividualAddress(telegram.destination);
}

std::string monitorLine(const RecordDescription& record, const WallTime& time) {
    std::string line = time.clock + " " + kindText(record);
    if (record.telegram) return line + " " + telegramLine(record);
    // A frame, a record of a type no monitor knows, or a telegram cut short.
    if (record.kind == Kind::Indication || record.kind == Kind::Confirm) line += " (cut short)";
    if (!record.payload.empty()) line += " " + hexText(record.payload);
    return line;
}

std::string monitorJson(const RecordDescription& record, const WallTime& time) {
    JsonObject object;
    object.add("time", time.iso).add("record", log::hexWord(record.type));
    object.add("kind", jsonKind(record.kind));
    if (record.telegram) {
        addTelegram(object, record);
    } else {
        object.add("payload", hexText(record.payload));
    }
    return object.text();
}

}  // namespace lintor::tool
