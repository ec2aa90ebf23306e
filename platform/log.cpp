#include "platform/log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/line_writer.h"

namespace lintor::log {
namespace {

struct LevelEntry {
    Level level;
    std::string_view name;
};

constexpr std::array<LevelEntry, 5> kLevels{{
    {Level::Error, "error"},
    {Level::Warning, "warning"},
    {Level::Notice, "notice"},
    {Level::Info, "info"},
    {Level::Debug, "debug"},
}};

// The one process-wide piece of logging state: which logger is installed.
std::atomic<Logger*>& installedLogger() {
    static std::atomic<Logger*> logger{nullptr};
    return logger;
}

std::string timestampNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    std::array<char, 40> text{};
    const size_t n = std::strftime(text.data(), text.size(), "%Y-%m-%d %H:%M:%S", &local);
    std::array<char, 8> fraction{};
    std::snprintf(fraction.data(), fraction.size(), ".%03d", static_cast<int>(millis));
    return std::string(text.data(), n) + fraction.data();
}

// Without an installed logger: a single write, so that lines of two
// threads never mix.
void writeDirect(Level level, std::string_view text) {
    const std::string line = formatLine(Style::Timestamped, level, text) + '\n';
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (n <= 0) return;  // nowhere left to report to
        done += static_cast<size_t>(n);
    }
}

}  // namespace

std::optional<Level> parseLevel(std::string_view text) {
    for (const LevelEntry& entry : kLevels) {
        if (entry.name == text) return entry.level;
    }
    return std::nullopt;
}

std::string_view levelName(Level level) {
    for (const LevelEntry& entry : kLevels) {
        if (entry.level == level) return entry.name;
    }
    return "info";
}

Style styleForStderr() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    if (stream == nullptr) return Style::Timestamped;
    // "device:inode" of the journal's socket; stderr is the journal only when
    // it is that very socket, not merely inherited from a unit's child.
    const std::string_view text(stream);
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) return Style::Timestamped;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    const auto d = std::from_chars(text.data(), text.data() + colon, device);
    const auto i = std::from_chars(text.data() + colon + 1, text.data() + text.size(), inode);
    if (d.ec != std::errc{} || i.ec != std::errc{}) return Style::Timestamped;
    struct stat status {};
    if (::fstat(STDERR_FILENO, &status) != 0) return Style::Timestamped;
    return status.st_dev == device && status.st_ino == inode ? Style::Journal : Style::Timestamped;
}

std::string formatLine(Style style, Level level, std::string_view text) {
    if (style == Style::Journal) {
        std::string line = "<" + std::to_string(static_cast<int>(level)) + ">";
        line += text;
        return line;
    }
    std::string line = timestampNow();
    line += " lintor: ";
    line += levelName(level);
    line += ": ";
    line += text;
    return line;
}

void Logger::write(Level level, std::string_view text) {
    if (enabled(level)) sink_.writeLine(formatLine(style_, level, text));
}

Installation::Installation(Logger& logger) : previous_(installedLogger().exchange(&logger)) {}
Installation::~Installation() { installedLogger().store(previous_); }

void write(Level level, std::string_view text) {
    if (Logger* logger = installedLogger().load()) {
        logger->write(level, text);
    } else {
        writeDirect(level, text);
    }
}

void debug(std::string_view text) { write(Level::Debug, text); }
void info(std::string_view text) { write(Level::Info, text); }
void notice(std::string_view text) { write(Level::Notice, text); }
void warning(std::string_view text) { write(Level::Warning, text); }
void error(std::string_view text) { write(Level::Error, text); }

namespace {
constexpr char digits[] = "0123456789ABCDEF";
}

std::string hexWord(uint16_t value) {
    std::string out = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) out += digits[(value >> shift) & 0x0F];
    return out;
}

std::string visible(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += c;
            continue;
        }
        out += "\\x";
        out += digits[byte >> 4];
        out += digits[byte & 0x0F];
    }
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
