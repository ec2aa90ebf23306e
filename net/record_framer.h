#pragma once

#include <functional>
#include <span>

#include "link/downlink_assembler.h"

namespace lintor {

// Cuts one client's byte stream into whole records, so that each goes into
// the downlink pipe in one write and records of different clients never
// interleave. Records too long for the downlink are consumed and reported.
class RecordFramer {
public:
    using RecordSink = std::function<void(std::span<const uint8_t> record)>;
    using DropSink = std::function<void(const RecordHeader& header)>;

    void feed(std::span<const uint8_t> bytes, const RecordSink& complete, const DropSink& dropped);

private:
    DownlinkAssembler assembler_;
};

}  // namespace lintor
