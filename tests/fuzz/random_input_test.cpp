// Runs the fuzz targets on seeded random input, so that every build (not only
// the clang fuzzing build) exercises them, under the sanitizers too.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tests/fuzz/fuzz_targets.h"

namespace lintor {
namespace {

// Random bytes drawn mostly from the values the protocol gives meaning to.
std::vector<uint8_t> plausibleBytes(std::mt19937& rng, size_t size) {
    static constexpr uint8_t interesting[] = {0x68, 0x16, 0xE5, 0x10, 0x29, 0x2E, 0xBC, 0x00,
                                              0x80, 0x10, 0x00, 0x20, 0xFF, 0x09, 0x0A, 0x3A};
    std::vector<uint8_t> out(size);
    for (auto& b : out) {
        b = rng() % 2 ? interesting[rng() % sizeof interesting] : static_cast<uint8_t>(rng());
    }
    return out;
}

template <typename Target>
void runRandomInputs(Target target, uint32_t seed) {
    std::mt19937 rng(seed);
    for (int i = 0; i < 400; ++i) {
        target(plausibleBytes(rng, rng() % 600));
    }
}

TEST(RandomInput, SerialReceiverKeepsItsInvariants) { runRandomInputs(fuzz::serialInput, 1); }
TEST(RandomInput, DownlinkReaderKeepsItsInvariants) { runRandomInputs(fuzz::downlinkStream, 2); }

}  // namespace
}  // namespace lintor
