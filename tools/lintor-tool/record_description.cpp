#include "tools/lintor-tool/record_description.h"

#include "link/bus_message.h"

namespace lintor::tool {
namespace {

using Kind = RecordDescription::Kind;

Kind kindOf(uint16_t type) {
    if (isTelegramRecord(type)) return Kind::Indication;
    if (type == MSG_CONFIRM) return Kind::Confirm;
    if (type == MSG_OTHER_FRAME) return Kind::Frame;
    return Kind::Other;
}

// A read carries no value: its six bits are zero by definition.
bool carriesGroupValue(uint16_t serviceType) {
    return serviceType == MSG_GROUP_VALUE_WRITE || serviceType == MSG_GROUP_VALUE_RESPONSE;
}

void describeTelegram(RecordDescription& description, const TelegramView& telegram, const GroupNames& names) {
    const uint16_t serviceType = description.kind == Kind::Confirm ? recordTypeOfTpdu(telegram.tpdu) : description.type;
    description.service = serviceNameOf(serviceType);
    if (telegram.groupDestination) description.name = names.find(telegram.destination);
    if (!telegram.groupDestination || !carriesGroupValue(serviceType)) return;

    const GroupData data = groupDataOf(telegram.tpdu);
    description.groupValue = true;
    if (data.sixBit) {
        description.data = {data.sixBitValue};
    } else {
        description.data.assign(data.bytes.begin(), data.bytes.end());
    }
    if (description.name && description.name->type) description.decodeAs(*description.name->type);
}

}  // namespace

void RecordDescription::decodeAs(dpt::DatapointType datapoint) {
    datapointType = datapoint;
    value = groupValue ? dpt::decode(datapoint, data) : std::nullopt;
}

RecordDescription describeRecord(std::span<const uint8_t> record, const GroupNames& names) {
    RecordDescription description;
    if (record.size() < kRecordHeaderSize) return description;
    description.type = decodeHeader(record.first<kRecordHeaderSize>()).type;
    description.kind = kindOf(description.type);
    description.payload = record.subspan(kRecordHeaderSize);
    if (description.kind != Kind::Indication && description.kind != Kind::Confirm) return description;

    description.telegram = viewTelegram(description.payload);
    if (description.telegram) describeTelegram(description, *description.telegram, names);
    return description;
}

}  // namespace lintor::tool
