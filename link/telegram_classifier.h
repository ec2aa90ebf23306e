#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace lintor {

inline constexpr size_t kClassifiedFrameLimit = 64;

struct Classification {
    uint16_t type;
    std::span<const uint8_t> payload;  // frame bytes 6 to the end: L bytes
    bool duplicate;                    // equal to the frame before it
};

// The record type of a complete variable frame of L + 6 bytes.
uint16_t recordTypeOfFrame(std::span<const uint8_t> frame);

// Decides the record of each received frame and spots repetitions. Frames
// above 64 bytes give no classification and leave the comparison basis alone.
class TelegramClassifier {
public:
    std::optional<Classification> classify(std::span<const uint8_t> frame);

private:
    std::array<uint8_t, kClassifiedFrameLimit> lastFrame{};
    uint8_t lastFrameLength = 0;
};

}  // namespace lintor
