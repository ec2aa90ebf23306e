// What lintor-tool reads from the network and from people: the gateway's
// records, the proxy's lines, datapoint values and their texts.
#include <array>
#include <string>
#include <string_view>

#include "dpt/dpt_codec.h"
#include "link/group_address.h"
#include "tests/fuzz/fuzz_targets.h"
#include "tools/lintor-tool/monitor_output.h"
#include "tools/lintor-tool/proxy_info_reader.h"
#include "tools/lintor-tool/record_stream.h"

namespace lintor::fuzz {
namespace {

constexpr std::array<dpt::DatapointType, 24> kTypes{{
    {1, 1},   {1, 8},  {1, std::nullopt}, {2, 1},  {3, 7},    {3, 8},     {5, 1},  {5, 3},  {5, 10},
    {6, 1},   {7, 1},  {8, 10},           {9, 1},  {9, 4},    {10, 1},    {11, 1}, {12, 1}, {13, 10},
    {14, 56}, {16, 0}, {16, 1},           {17, 1}, {20, 102}, {232, 600},
}};

const GroupNames& monitorNames() {
    static const GroupNames names = [] {
        auto read = GroupNames::read("1/2/3;Light;1.001\n3/1/1;Temperature;9.001\n0/0/1;Text;16.001\n", "fuzz");
        return std::get<GroupNames::Loaded>(std::move(read)).names;
    }();
    return names;
}

}  // namespace

void monitorRecordStream(std::span<const uint8_t> data) {
    tool::RecordStream stream;
    const tool::WallTime time{"00:00:00.000", "2026-01-01T00:00:00.000+00:00"};
    // Two pieces, so records also cross a feed.
    const size_t half = data.size() / 2;
    for (const auto piece : {data.first(half), data.subspan(half)}) {
        stream.feed(piece);
        while (const auto record = stream.next()) {
            const tool::RecordDescription description = tool::describeRecord(*record, monitorNames());
            const std::string line = tool::monitorLine(description, time);
            const std::string json = tool::monitorJson(description, time);
            require(line.find('\n') == std::string::npos, "a monitor line is one line");
            require(json.find('\n') == std::string::npos && json.front() == '{' && json.back() == '}',
                    "a JSON record is one object on one line");
        }
    }
}

void proxyInfoLines(std::span<const uint8_t> data) {
    tool::ProxyInfoReader reader;
    for (size_t at = 0; at < data.size(); at += 7) {
        reader.feed(data.subspan(at, std::min<size_t>(7, data.size() - at)));
        while (const auto info = reader.next()) {
            require(parseGroupAddressStrict(formatGroupAddress(info->groupAddress)) == info->groupAddress,
                    "a reported group address reads back");
        }
    }
}

// The first byte picks a type; the rest is a value's bytes and, as text,
// what someone typed.
void datapointValue(std::span<const uint8_t> data) {
    if (data.empty()) return;
    const dpt::DatapointType type = kTypes[data[0] % kTypes.size()];
    const auto rest = data.subspan(1);
    const auto size = dpt::valueSize(type);
    require(size.has_value(), "every listed type has a size");

    if (const auto decoded = dpt::decode(type, rest)) {
        const auto again = dpt::encode(type, decoded->text);
        if (const auto* value = std::get_if<dpt::GroupValue>(&again)) {
            const auto redecoded = dpt::decode(type, value->bytes);
            require(redecoded && redecoded->text == decoded->text, "what decode shows, encode gives back");
        }
    }
    const std::string_view text(reinterpret_cast<const char*>(rest.data()), rest.size());
    const auto encoded = dpt::encode(type, text);
    if (const auto* value = std::get_if<dpt::GroupValue>(&encoded)) {
        require(value->bytes.size() == (*size == 0 ? 1 : *size), "an encoded value has the type's size");
        require(value->sixBit == (*size == 0), "six-bit types and only they travel in the APCI byte");
        require(dpt::decode(type, value->bytes).has_value(), "an encoded value decodes");
    }
}

}  // namespace lintor::fuzz
