#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace lintor {

inline constexpr size_t kClassifiedFrameLimit = 64;

// Frame positions (frame byte 0 is 0x68).
namespace frame_pos {
inline constexpr size_t LENGTH = 1;
inline constexpr size_t MESSAGE_CODE = 5;
inline constexpr size_t EMI_CONTROL = 6;
inline constexpr size_t TPCI = 12;
inline constexpr size_t APCI = 13;
inline constexpr size_t PAYLOAD = 6;
}  // namespace frame_pos

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
