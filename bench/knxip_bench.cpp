// The KNXnet/IP server's work per telegram, without sockets: a client's
// request to its downlink record, and a bus telegram to every tunnel.
#include <benchmark/benchmark.h>

#include <vector>

#include "knxip/tunnel_server.h"
#include "platform/line_writer.h"
#include "platform/log.h"

namespace lintor::knxip {
namespace {

class CountingEvents final : public TunnelServerEvents {
public:
    void sendDatagram(const UdpEndpoint&, uint32_t, std::span<const uint8_t> bytes) override {
        sentBytes += bytes.size();
    }
    bool writeDownlink(std::span<const uint8_t> record, uint8_t) override {
        downlinkBytes += record.size();
        return true;
    }
    bool withdrawDownlink(std::span<const uint8_t>, uint8_t) override { return false; }
    UdpEndpoint localEndpointFor(const UdpEndpoint&, uint32_t) override { return {0x7F000001, 3671}; }
    void tunnelOpened(size_t, const UdpEndpoint&) override {}
    void tunnelClosed(size_t, std::string_view) override {}

    size_t sentBytes = 0;
    size_t downlinkBytes = 0;
};

class Silence final : public LineSink {
public:
    void writeLine(std::string_view) override {}
};

UdpEndpoint client(int n) { return {0x7F000001, static_cast<uint16_t>(40000 + n)}; }

std::vector<uint8_t> connectRequest() {
    return {0x06, 0x10, 0x02, 0x05, 0x00, 0x1A, 0x08, 0x01, 0, 0,    0,    0,    0,
            0,    0x08, 0x01, 0,    0,    0,    0,    0,    0, 0x04, 0x04, 0x02, 0x00};
}

void BM_TunnellingRequestToDownlinkRecord(benchmark::State& state) {
    Silence silence;
    log::Logger logger(silence, log::Style::Journal, log::Level::Error);
    const log::Installation installed(logger);
    CountingEvents events;
    TunnelServer server({}, events);
    server.setBusConnected(true);
    TimePoint now{};
    server.receive(client(0), connectRequest(), now);
    std::vector<uint8_t> request{0x06, 0x10, 0x04, 0x20, 0x00, 0x15, 0x04, 0x01, 0x00, 0x00, 0x11,
                                 0x00, 0xBC, 0xE0, 0x00, 0x00, 0x0A, 0x03, 0x01, 0x00, 0x81};
    const std::vector<uint8_t> confirmation{0x00, 0x88, 0x0A, 0x00, 0xBC, 0x11, 0xFF,
                                            0x0A, 0x03, 0xE1, 0x00, 0x81, 0x00, 0x16};
    std::vector<uint8_t> ack{0x06, 0x10, 0x04, 0x21, 0x00, 0x0A, 0x04, 0x01, 0x00, 0x00};
    uint8_t sequence = 0;
    for (auto _ : state) {
        request[8] = sequence;
        server.receive(client(0), request, now);
        server.uplinkRecord(confirmation, now);
        ack[8] = sequence;
        server.receive(client(0), ack, now);
        ++sequence;
    }
    benchmark::DoNotOptimize(events.downlinkBytes);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TunnellingRequestToDownlinkRecord);

void BM_IndicationToEveryTunnel(benchmark::State& state) {
    Silence silence;
    log::Logger logger(silence, log::Style::Journal, log::Level::Error);
    const log::Installation installed(logger);
    CountingEvents events;
    TunnelSettings settings;
    settings.tunnelCount = static_cast<size_t>(state.range(0));
    TunnelServer server(settings, events);
    server.setBusConnected(true);
    TimePoint now{};
    for (int i = 0; i < state.range(0); ++i) server.receive(client(i), connectRequest(), now);
    const std::vector<uint8_t> indication{0x02, 0x10, 0x0A, 0x00, 0xBC, 0x11, 0x0B,
                                          0x08, 0x01, 0xE1, 0x00, 0x81, 0x7A, 0x16};
    std::vector<uint8_t> ack{0x06, 0x10, 0x04, 0x21, 0x00, 0x0A, 0x04, 0x01, 0x00, 0x00};
    uint8_t sequence = 0;
    for (auto _ : state) {
        server.uplinkRecord(indication, now);
        for (int i = 0; i < state.range(0); ++i) {
            ack[7] = static_cast<uint8_t>(i + 1);
            ack[8] = sequence;
            server.receive(client(i), ack, now);
        }
        ++sequence;
    }
    benchmark::DoNotOptimize(events.sentBytes);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IndicationToEveryTunnel)->Arg(1)->Arg(4)->Arg(16);

}  // namespace
}  // namespace lintor::knxip

BENCHMARK_MAIN();
