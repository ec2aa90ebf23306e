#include "platform/log.h"

#include <unistd.h>

namespace lintor::log {
namespace {

void writeLine(std::string_view level, std::string_view text) {
    std::string line = "lintor: ";
    line += level;
    line += text;
    line += '\n';
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (n <= 0) return;  // nowhere left to report to
        done += static_cast<size_t>(n);
    }
}

}  // namespace

void info(std::string_view text) { writeLine("", text); }
void warning(std::string_view text) { writeLine("warning: ", text); }
void error(std::string_view text) { writeLine("error: ", text); }

namespace {
constexpr char digits[] = "0123456789ABCDEF";
}

std::string hexWord(uint16_t value) {
    std::string out = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) out += digits[(value >> shift) & 0x0F];
    return out;
}

std::string hex(std::span<const uint8_t> bytes, size_t limit) {
    std::string out;
    const size_t shown = bytes.size() < limit ? bytes.size() : limit;
    for (size_t i = 0; i < shown; ++i) {
        if (i != 0) out += ' ';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0x0F];
    }
    if (shown < bytes.size()) out += " ... (" + std::to_string(bytes.size()) + " bytes)";
    return out;
}

}  // namespace lintor::log
