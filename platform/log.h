#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lintor {
class LineSink;
}

namespace lintor::log {

// In the order of syslog(3): the lower, the more severe.
enum class Level : uint8_t { Error = 3, Warning = 4, Notice = 5, Info = 6, Debug = 7 };

// "error", "warning", "notice", "info", "debug"
std::optional<Level> parseLevel(std::string_view text);
std::string_view levelName(Level level);

// One line each, from any thread. Lines go to the installed Logger; without
// one (tests, before start-up) straight to stderr.
void debug(std::string_view text);
void info(std::string_view text);
void notice(std::string_view text);
void warning(std::string_view text);
void error(std::string_view text);
void write(Level level, std::string_view text);

enum class Style {
    Timestamped,  // "2026-12-09 19:50:01.123 lintor: warning: text"
    Journal,      // "<4>text": the journal keeps time and level itself
};

// The journal's own stream, as JOURNAL_STREAM names it, or a timestamp.
Style styleForStderr();
// The line as the style writes it; the text always ends it.
std::string formatLine(Style style, Level level, std::string_view text);

// Formats, filters and hands lines to a sink. Installed for the lifetime of
// an Installation; the process has at most one.
class Logger {
public:
    Logger(LineSink& sink, Style style, Level threshold) : sink_(sink), style_(style), threshold_(threshold) {}
    void write(Level level, std::string_view text);
    bool enabled(Level level) const { return level <= threshold_.load(std::memory_order_relaxed); }
    // A reload of the configuration changes it while every thread logs.
    void setThreshold(Level threshold) { threshold_.store(threshold, std::memory_order_relaxed); }

private:
    LineSink& sink_;
    Style style_;
    std::atomic<Level> threshold_;
};

class Installation {
public:
    explicit Installation(Logger& logger);
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

private:
    Logger* previous_;
};

// "10 80 09 00" for log lines about wire data; long blocks are shortened.
std::string hex(std::span<const uint8_t> bytes, size_t limit = 48);
// "0x8010"
std::string hexWord(uint16_t value);
// Text from a file or a peer, with control bytes (NUL, line ends, escapes)
// shown as \xNN: a NUL would end the line short, a line feed forge one.
std::string visible(std::string_view text);

}  // namespace lintor::log
