#include <algorithm>
#include <chrono>
#include <vector>

#include "knxip/knxip_protocol.h"
#include "knxip/tunnel_server.h"
#include "link/bus_message.h"
#include "link/byte_order.h"
#include "link/cemi.h"
#include "platform/line_writer.h"
#include "platform/log.h"
#include "tests/fuzz/fuzz_targets.h"

namespace lintor::fuzz {
namespace {

using namespace std::chrono_literals;

constexpr UdpEndpoint kFirst{0x7F000001, 40000};
constexpr UdpEndpoint kSecond{0x7F000002, 40001};
constexpr size_t kTunnels = 2;

// Everything the server sends must be a whole frame, everything it puts on
// the downlink a record the worker can carry.
class CheckingEvents final : public knxip::TunnelServerEvents {
public:
    void sendDatagram(const UdpEndpoint& to, uint32_t, std::span<const uint8_t> bytes) override {
        // Whatever address a request names, answers go to the hosts that sent.
        require(to.address == kFirst.address || to.address == kSecond.address, "no datagram to a third host");
        require(bytes.size() >= knxip::HEADER_SIZE, "a frame has its header");
        require(bytes[0] == knxip::HEADER_SIZE && bytes[1] == knxip::PROTOCOL_VERSION, "the header is ours");
        require(readBigEndian16(bytes, 4) == bytes.size(), "the total length is the frame's");
    }
    bool writeDownlink(std::span<const uint8_t> record, uint8_t) override {
        require(record.size() >= kRecordHeaderSize, "a record has its header");
        const RecordHeader header = decodeHeader(record.first<kRecordHeaderSize>());
        require(header.type == MSG_DATA_TO_BCU, "only data records go to the BCU");
        require(header.recordSize() == record.size(), "the record is whole");
        require(header.length <= kDownlinkPayloadLimit, "the downlink can carry it");
        return (record.back() & 1) == 0;  // now and then the link is full
    }
    bool withdrawDownlink(std::span<const uint8_t> record, uint8_t) override {
        require(!record.empty(), "only records that were written are taken back");
        return (record.back() & 2) == 0;  // some have gone to the BCU
    }
    UdpEndpoint localEndpointFor(const UdpEndpoint&, uint32_t) override { return {0x7F000001, 3671}; }
    void tunnelOpened(size_t tunnel, const UdpEndpoint&) override {
        require(tunnel >= 1 && tunnel <= kTunnels, "a tunnel of the range");
    }
    void tunnelClosed(size_t tunnel, std::string_view) override {
        require(tunnel >= 1 && tunnel <= kTunnels, "a tunnel of the range");
    }
};

// The server's log lines are formatted, then left unwritten.
class DiscardedLines final : public LineSink {
public:
    void writeLine(std::string_view) override {}
};

}  // namespace

// Steps of a length byte and an action byte, then that many bytes: a
// datagram from one of two clients, an uplink record, or time passing.
void knxipDatagrams(std::span<const uint8_t> data) {
    DiscardedLines lines;
    log::Logger logger(lines, log::Style::Journal, log::Level::Debug);
    const log::Installation installed(logger);
    CheckingEvents events;
    knxip::TunnelSettings settings;
    settings.firstTunnelAddress = 0x11F1;
    settings.tunnelCount = kTunnels;
    knxip::TunnelServer server(settings, events);
    server.setBusConnected(true);
    knxip::TimePoint now{};
    // A tunnel that is open from the start, so that channel 1 exists.
    const std::vector<uint8_t> connect{0x06, 0x10, 0x02, 0x05, 0x00, 0x1A, 0x08, 0x01, 0, 0,    0,    0,    0,
                                       0,    0x08, 0x01, 0,    0,    0,    0,    0,    0, 0x04, 0x04, 0x02, 0x00};
    server.receive(kFirst, connect, now);
    while (data.size() >= 2) {
        const size_t length = std::min<size_t>(data[0], data.size() - 2);
        const uint8_t action = data[1];
        const auto bytes = data.subspan(2, length);
        data = data.subspan(2 + length);
        switch (action % 5) {
        case 0:
            server.receive(kFirst, bytes, now);
            // After a tunnelling request's headers, the bytes as a cEMI message.
            if (const auto message = cemi::readLData(bytes.subspan(std::min<size_t>(bytes.size(), 10)))) {
                require(!message->tpdu.empty() && message->tpdu.size() <= cemi::TPDU_LIMIT, "a standard frame's TPDU");
            }
            break;
        case 1:
            server.receive(kSecond, bytes, now);
            break;
        case 2:
            server.uplinkRecord(bytes, now);
            break;
        case 3:
            now += std::chrono::milliseconds(100 * (action / 5 + 1));
            server.expire(now);
            break;
        default:
            server.setBusConnected((action & 0x80) != 0);
            break;
        }
        require(server.connectionCount() <= kTunnels + knxip::TunnelServer::DEVICE_MANAGEMENT_LIMIT,
                "no more connections than there are tunnels and management slots");
    }
    // Whatever happened, the server winds down without a fault.
    now += 200s;
    server.expire(now);
    require(server.connectionCount() == 0, "connections without a heartbeat close");
}

}  // namespace lintor::fuzz
