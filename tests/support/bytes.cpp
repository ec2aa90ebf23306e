#include "tests/support/bytes.h"

#include <cstdio>
#include <cstdlib>

namespace lintor::test {
namespace {

int nibble(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::vector<uint8_t> bytes(std::string_view hexText) {
    std::vector<uint8_t> out;
    int high = -1;
    for (const char c : hexText) {
        if (c == ' ') continue;
        const int value = nibble(c);
        if (value < 0) {
            std::fprintf(stderr, "bad hex test data: %.*s\n", static_cast<int>(hexText.size()), hexText.data());
            std::abort();
        }
        if (high < 0) {
            high = value;
        } else {
            out.push_back(static_cast<uint8_t>(high << 4 | value));
            high = -1;
        }
    }
    if (high >= 0) std::abort();
    return out;
}

std::string hex(std::span<const uint8_t> data) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buf, sizeof buf, i == 0 ? "%02X" : " %02X", data[i]);
        out += buf;
    }
    return out;
}

std::vector<uint8_t> variableFrame(uint8_t control, std::span<const uint8_t> message) {
    const auto length = static_cast<uint8_t>(message.size() + 1);
    std::vector<uint8_t> frame{0x68, length, length, 0x68, control};
    unsigned sum = control;
    for (const uint8_t b : message) {
        frame.push_back(b);
        sum += b;
    }
    frame.push_back(static_cast<uint8_t>(sum & 0xFF));
    frame.push_back(0x16);
    return frame;
}

}  // namespace lintor::test
