#pragma once

#include <cstdint>
#include <span>

namespace lintor::fuzz {

// Each target feeds arbitrary bytes to one parser and checks what must hold
// whatever the input; a broken invariant aborts.
void serialInput(std::span<const uint8_t> data);
void downlinkStream(std::span<const uint8_t> data);
void clientRecordStream(std::span<const uint8_t> data);
void proxyRequestStream(std::span<const uint8_t> data);
void groupValueRecord(std::span<const uint8_t> data);

}  // namespace lintor::fuzz
