// One libFuzzer binary per target, chosen at compile time.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LINTOR_FUZZ_TARGET(std::span<const uint8_t>(data, size));
    return 0;
}
