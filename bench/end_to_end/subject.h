#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "bench/end_to_end/figures.h"
#include "bench/end_to_end/gateway.h"
#include "bench/end_to_end/reader_pool.h"

namespace lintor::bench {

// A gateway in the run, its readers and what was measured of it. Every
// telegram of a run has a group address of its own.
struct Subject {
    // named: steps are shown with the gateway's name, as for any but ours.
    Subject(Gateway started, bool named) : gateway(std::move(started)), showName(named) {}

    Gateway gateway;
    Figures figures;
    std::unique_ptr<ReaderPool> pool;
    size_t readersOffered = 0;
    uint16_t nextAddress = 1;
    bool showName = false;

    pid_t pid() const { return gateway.process->pid(); }
    uint16_t takeAddresses(size_t count);
    // A new pool of this many readers in place of the old one.
    void offerReaders(size_t count);
    bool hasReaders(size_t count) const { return pool && readersOffered == count; }
};

// A step on stderr, so that the table on stdout stays clean.
void progress(const std::string& step);
void progress(const Subject& subject, const std::string& step);

double millis(std::chrono::steady_clock::duration d);

}  // namespace lintor::bench
