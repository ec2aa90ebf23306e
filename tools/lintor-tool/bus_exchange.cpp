#include "tools/lintor-tool/bus_exchange.h"

#include <algorithm>
#include <array>

#include "link/bus_message.h"
#include "link/emi.h"
#include "tools/lintor-tool/record_stream.h"

namespace lintor::tool {
namespace {

using Outcome = Awaited::Outcome;

Awaited lost(const ToolContext& context, const Connection::Received& received, const Connection& connection) {
    if (const auto* failure = std::get_if<Connection::Failure>(&received)) {
        context.report(failure->message);
    } else {
        context.reportClosed("gateway", connection);
    }
    return {Outcome::Lost, {}};
}

}  // namespace

Awaited exchange(const ToolContext& context, Connection& connection, std::span<const uint8_t> request,
                 const RecordMatch& match) {
    if (const auto failure = connection.sendAll(request)) {
        context.report(failure->message);
        return {Outcome::Lost, {}};
    }
    const auto deadline = Connection::Clock::now() + context.options.timeout;
    RecordStream stream;
    std::array<uint8_t, 4096> buffer{};
    for (;;) {
        const Connection::Received received = connection.receive(buffer, deadline);
        if (std::holds_alternative<Connection::TimedOut>(received)) return {Outcome::TimedOut, {}};
        const auto* count = std::get_if<size_t>(&received);
        if (!count) return lost(context, received, connection);
        stream.feed(std::span(buffer).first(*count));
        while (const auto record = stream.next()) {
            if (match(describeRecord(*record, context.names))) {
                return {Outcome::Matched, std::vector<uint8_t>(record->begin(), record->end())};
            }
        }
    }
}

std::span<const uint8_t> requestTpdu(std::span<const uint8_t> record) {
    constexpr size_t kTpduAt = kRecordHeaderSize + emi::field::TPCI;
    if (record.size() <= kTpduAt) return {};
    return record.subspan(kTpduAt);
}

bool confirms(const RecordDescription& record, std::span<const uint8_t> request, uint16_t groupAddress) {
    if (record.kind != RecordDescription::Kind::Confirm || !record.telegram) return false;
    const TelegramView& telegram = *record.telegram;
    return telegram.groupDestination && telegram.destination == groupAddress &&
           std::ranges::equal(telegram.tpdu, requestTpdu(request));
}

}  // namespace lintor::tool
