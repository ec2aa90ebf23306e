#include "tools/lintor-tool/watch_output.h"

#include "dpt/dpt_codec.h"
#include "link/byte_order.h"
#include "link/emi.h"
#include "link/group_address.h"
#include "tools/lintor-tool/json_object.h"
#include "tools/lintor-tool/monitor_output.h"

namespace lintor::tool {
namespace {

// The proxy reports the low 16 bits of the value it decoded: every value
// of up to two bytes whole, so those types can be decoded again.
std::optional<dpt::Decoded> decodedValue(const ProxyInfo& info, const GroupName* name) {
    if (!name || !name->type) return std::nullopt;
    const auto size = dpt::valueSize(*name->type);
    if (!size) return std::nullopt;
    switch (*size) {
    case 0:
        return dpt::decode(*name->type,
                           std::vector<uint8_t>{static_cast<uint8_t>(info.value & emi::APCI_SHORT_DATA_MASK)});
    case 1:
        if (info.value > 0xFF) return std::nullopt;
        return dpt::decode(*name->type, std::vector<uint8_t>{lowByte(info.value)});
    case 2:
        return dpt::decode(*name->type, std::vector<uint8_t>{highByte(info.value), lowByte(info.value)});
    default:
        return std::nullopt;
    }
}

// The reported number alone, and why no more can be said.
std::string rawText(const ProxyInfo& info, const GroupName* name) {
    std::string text = std::to_string(info.value);
    const bool wider = name && name->type && dpt::valueSize(*name->type).value_or(0) > 2;
    if (wider) text += " (the low 16 bits of a " + dpt::formatDatapointType(*name->type) + " value)";
    return text;
}

}  // namespace

std::string watchLine(const ProxyInfo& info, const GroupName* name, const WallTime& time) {
    std::string line = time.clock + " " + formatGroupAddress(info.groupAddress);
    if (name) line += " \"" + name->name + "\"";
    const auto decoded = decodedValue(info, name);
    return line + " = " + (decoded ? decoded->text : rawText(info, name));
}

std::string watchJson(const ProxyInfo& info, const GroupName* name, const WallTime& time) {
    JsonObject object;
    object.add("time", time.iso)
        .add("destination", formatGroupAddress(info.groupAddress))
        .add("raw", int64_t{info.value});
    if (name) {
        object.add("name", name->name).add("path", name->path);
        if (name->type) object.add("dpt", dpt::formatDatapointType(*name->type));
    }
    if (const auto decoded = decodedValue(info, name)) addDecodedValue(object, *decoded);
    return object.text();
}

}  // namespace lintor::tool
