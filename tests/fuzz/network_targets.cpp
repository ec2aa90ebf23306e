#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "link/bus_message.h"
#include "net/record_framer.h"
#include "proxy/group_value_table.h"
#include "proxy/proxy_protocol.h"
#include "proxy/request_splitter.h"
#include "tests/fuzz/fuzz_targets.h"

namespace lintor::fuzz {
namespace {

// Feeds the data in pieces of varying size, as TCP might deliver it.
template <typename Feed>
void inPieces(std::span<const uint8_t> data, Feed feed) {
    size_t piece = 1;
    while (!data.empty()) {
        const size_t take = std::min(piece, data.size());
        feed(data.first(take));
        data = data.subspan(take);
        piece = piece * 3 % 1501 + 1;
    }
}

}  // namespace

void clientRecordStream(std::span<const uint8_t> data) {
    RecordFramer framer;
    size_t consumed = 0;
    inPieces(data, [&](std::span<const uint8_t> piece) {
        // A full queue takes no more after some records: the rest is fed again.
        while (!piece.empty()) {
            const size_t taken = framer.feed(
                piece,
                [&](std::span<const uint8_t> record) {
                    require(record.size() >= kRecordHeaderSize, "a record has its header");
                    const auto header = decodeHeader(record.first<kRecordHeaderSize>());
                    require(header.recordSize() == record.size(), "a record is whole");
                    require(header.length <= kDownlinkPayloadLimit, "only records the downlink can carry");
                    consumed += record.size();
                    return record.size() % 3 != 0;
                },
                [&](const RecordHeader& header) {
                    require(header.length > kDownlinkPayloadLimit, "only oversized records are dropped");
                    consumed += header.recordSize();
                });
            require(taken > 0 && taken <= piece.size(), "a feed takes some of what it was given");
            piece = piece.subspan(taken);
        }
    });
    require(consumed <= data.size(), "no record is made of bytes that were not sent");
}

void proxyRequestStream(std::span<const uint8_t> data) {
    RequestSplitter splitter;
    size_t accounted = 0;
    inPieces(data, [&](std::span<const uint8_t> piece) {
        splitter.feed(
            piece,
            [&](std::string_view text) {
                accounted += text.size();
                require(text.size() <= RequestSplitter::MAX_REQUEST, "requests are bounded");
                require(!text.empty() && text.back() == '>', "a request ends with '>'");
                require(std::ranges::count(text, '<') <= 1, "a second '<' starts a new request");
                if (const auto request = parseSetGaRequest(text)) {
                    require(request->groupAddress != 0 && request->typeCode != 0, "accepted requests are complete");
                    const auto record = groupWriteRecord(request->groupAddress, request->value);
                    require(record.size() >= 13 && record.size() <= 15, "group write record size");
                    require((record[12] & 0xC0) == 0x80, "the service stays a group value write");
                }
                return true;
            },
            [&](RequestSplitter::Loss, size_t bytes) {
                require(bytes > 0, "a loss is of some bytes");
                accounted += bytes;
            });
    });
    require(accounted <= data.size(), "no request or loss is made of bytes that were not sent");
    const std::string_view whole(reinterpret_cast<const char*>(data.data()), data.size());
    parseGroupAddress(whole);
    parseTypeName(whole);
}

void groupValueRecord(std::span<const uint8_t> data) {
    GroupValueTable table;
    if (const auto value = decodeGroupValue(data)) {
        table.updateGroupValue(value->groupAddress, value->value);
        require(table.count() == 1, "a decoded value is stored");
        formatProxyInfo(table.entry(0));
    }
}

}  // namespace lintor::fuzz
