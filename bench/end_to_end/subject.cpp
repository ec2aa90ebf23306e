#include "bench/end_to_end/subject.h"

#include <cstdio>

namespace lintor::bench {

using Clock = std::chrono::steady_clock;

uint16_t Subject::takeAddresses(size_t count) {
    const uint16_t first = nextAddress;
    nextAddress = static_cast<uint16_t>(nextAddress + count);
    return first;
}

void Subject::offerReaders(size_t count) {
    pool.reset();
    pool = std::make_unique<ReaderPool>(gateway.port, count, *gateway.protocol);
    readersOffered = count;
    if (pool->size() < count) figures.readersRefused.emplace_back(count, pool->size());
}

void progress(const std::string& step) {
    static const auto start = Clock::now();
    std::fprintf(stderr, "e2e: %6.1f s  %s\n", std::chrono::duration<double>(Clock::now() - start).count(),
                 step.c_str());
}

void progress(const Subject& subject, const std::string& step) {
    progress(subject.showName ? subject.gateway.name + ": " + step : step);
}

double millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace lintor::bench
