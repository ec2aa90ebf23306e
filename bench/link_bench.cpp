// Receiver and classification throughput on a stream shaped like a busy bus:
// group writes of 1, 2 and 4 data bytes, confirmations, acknowledgements,
// some repetitions and some management traffic.
#include <benchmark/benchmark.h>

#include <vector>

#include "link/ft12.h"
#include "link/serial_link.h"
#include "link/telegram_classifier.h"
#include "platform/event_loop.h"

namespace lintor {
namespace {

std::vector<uint8_t> frame(const std::vector<uint8_t>& user) {
    const auto encoded = ft12::encodeVariableFrame(0x73, user);
    return {encoded.bytes.begin(), encoded.bytes.begin() + static_cast<long>(encoded.size)};
}

std::vector<uint8_t> mixedStream() {
    const std::vector<std::vector<uint8_t>> frames = {
        frame({0x29, 0xBC, 0x11, 0x01, 0x0A, 0x03, 0xE1, 0x00, 0x81}),                          // switch on
        frame({0x29, 0xBC, 0x11, 0x02, 0x0A, 0x04, 0xE2, 0x00, 0x80, 0xC8}),                    // dimmer 200
        frame({0x29, 0xBC, 0x11, 0x03, 0x10, 0x01, 0xE3, 0x00, 0x80, 0x0C, 0x1A}),              // temperature
        frame({0x29, 0xBC, 0x11, 0x04, 0x18, 0x01, 0xE5, 0x00, 0x80, 0x00, 0x01, 0xE2, 0x40}),  // meter
        frame({0x2E, 0xBC, 0x11, 0xFF, 0x0A, 0x03, 0xE1, 0x00, 0x81}),                          // confirmation
        frame({0x29, 0xB0, 0x11, 0x05, 0x11, 0x06, 0x63, 0x46, 0x03, 0x00, 0x10}),              // memory read
    };
    std::vector<uint8_t> stream;
    for (int round = 0; round < 50; ++round) {
        for (size_t i = 0; i < frames.size(); ++i) {
            stream.insert(stream.end(), frames[i].begin(), frames[i].end());
            if (i % 3 == 0) stream.insert(stream.end(), frames[i].begin(), frames[i].end());  // repeated
            stream.push_back(0xE5);
        }
    }
    return stream;
}

void BM_ReceiverAndClassifier(benchmark::State& state) {
    const auto stream = mixedStream();
    ft12::Receiver receiver;
    TelegramClassifier classifier;
    uint64_t records = 0;
    for (auto _ : state) {
        for (const uint8_t b : stream) {
            const auto event = receiver.push(b);
            if (event && event->kind == ft12::Receiver::EventKind::Frame) {
                const auto result = classifier.classify(event->bytes);
                benchmark::DoNotOptimize(result);
                ++records;
            }
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReceiverAndClassifier);

class CountingListener final : public LinkListener {
public:
    void recordFromBus(std::span<const uint8_t> record) override { bytes += record.size(); }
    void linkDown() override {}
    void linkUp() override {}
    void bcuReset() override {}
    void portOpenFailed(const std::string&) override {}
    size_t bytes = 0;
};
class NullDevice final : public SerialDevice {
public:
    int pollFd() const override { return -1; }
    SysResult<size_t> readSome(std::span<uint8_t>) override { return size_t{0}; }
    SysResult<size_t> writeSome(std::span<const uint8_t> bytes) override { return bytes.size(); }
    void discardOutput() override {}
};
class NullOpener final : public SerialDeviceOpener {
public:
    OpenedDevice open(const std::string&) override { return {std::make_unique<NullDevice>(), 0, {}}; }
};

// The link's whole receive path, up to the records in the listener's hands.
void BM_SerialLinkReceivePath(benchmark::State& state) {
    const auto stream = mixedStream();
    SystemClock clock;
    auto loop = EventLoop::create(clock).take();
    CountingListener listener;
    NullOpener opener;
    SerialLink link(*loop, listener, opener, "/dev/null");
    link.start();
    for (auto _ : state) {
        for (size_t offset = 0; offset < stream.size(); offset += 512) {
            link.receiveBytes(std::span(stream).subspan(offset, std::min<size_t>(512, stream.size() - offset)));
        }
    }
    benchmark::DoNotOptimize(listener.bytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_SerialLinkReceivePath);

}  // namespace
}  // namespace lintor

BENCHMARK_MAIN();
