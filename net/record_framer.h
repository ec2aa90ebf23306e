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
    // False: take no more for now.
    using RecordSink = std::function<bool(std::span<const uint8_t> record)>;
    using DropSink = std::function<void(const RecordHeader& header)>;

    // How many of the bytes were taken: all of them, or those up to the end
    // of the record after which the sink wanted no more.
    size_t feed(std::span<const uint8_t> bytes, const RecordSink& complete, const DropSink& dropped);

private:
    DownlinkAssembler assembler_;
};

}  // namespace lintor
