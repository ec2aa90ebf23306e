#include "platform/line_writer.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <regex>
#include <string>
#include <vector>

#include "platform/log.h"
#include "platform/pipe.h"

namespace lintor {
namespace {

using namespace std::chrono_literals;

std::string readAll(int fd, std::chrono::milliseconds quiet) {
    std::string text;
    std::array<char, 4096> buffer;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(quiet.count())) <= 0) return text;
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n <= 0) return text;
        text.append(buffer.data(), static_cast<size_t>(n));
    }
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

TEST(LineWriter, ReaderThatStopsReadingNeverBlocksTheWriterAndDropsAreReportedOnceItReadsAgain) {
    Pipe pipe = makePipe().take();
    LineWriter writer(
        pipe.writeEnd.get(), [](uint64_t n) { return std::to_string(n) + " lines dropped"; }, 4096);
    // Far more than the pipe and the buffer hold; nobody reads meanwhile.
    for (int i = 0; i < 20000; ++i) writer.writeLine("line " + std::to_string(i));
    const uint64_t dropped = writer.droppedLines();
    EXPECT_GT(dropped, 10000u);

    const auto lines = linesOf(readAll(pipe.readEnd.get(), 1000ms));
    ASSERT_GE(lines.size(), 2u);
    // What was kept comes whole and in order; a count of what was not follows
    // whenever the reader has caught up with what was kept.
    int last = -1;
    uint64_t kept = 0;
    uint64_t reported = 0;
    for (const std::string& line : lines) {
        if (line.ends_with(" lines dropped")) {
            reported += std::stoull(line);
            continue;
        }
        ASSERT_TRUE(line.starts_with("line ")) << line;
        const int number = std::stoi(line.substr(5));
        EXPECT_GT(number, last);
        last = number;
        ++kept;
    }
    EXPECT_EQ(reported, dropped);
    EXPECT_EQ(kept + dropped, 20000u);

    // Once caught up, nothing is dropped and no further notice comes.
    writer.writeLine("after");
    EXPECT_TRUE(writer.flush(2s));
    EXPECT_EQ(readAll(pipe.readEnd.get(), 200ms), "after\n");
}

TEST(LineWriter, StopsPromptlyWhileTheReaderStillDoesNotRead) {
    Pipe pipe = makePipe().take();
    const auto before = std::chrono::steady_clock::now();
    {
        LineWriter writer(pipe.writeEnd.get(), {}, 1 << 20);
        for (int i = 0; i < 20000; ++i) writer.writeLine(std::string(100, 'x'));
    }
    // The grace for the reader is a second; the writer thread then gives up.
    EXPECT_LT(std::chrono::steady_clock::now() - before, 3s);
}

TEST(LogLine, JournalPrefixOrTimestampWithTheTextAtTheEnd) {
    EXPECT_EQ(log::formatLine(log::Style::Journal, log::Level::Warning, "invalid COM port"), "<4>invalid COM port");
    EXPECT_EQ(log::formatLine(log::Style::Journal, log::Level::Error, "x"), "<3>x");
    EXPECT_EQ(log::formatLine(log::Style::Journal, log::Level::Debug, "x"), "<7>x");
    const std::string line = log::formatLine(log::Style::Timestamped, log::Level::Notice, "Socket.Create failed 98");
    EXPECT_TRUE(std::regex_match(line, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} lintor: notice: )"
                                                  R"(Socket\.Create failed 98)")))
        << line;
}

TEST(LogLine, LevelsByNameAndThreshold) {
    for (const auto level :
         {log::Level::Error, log::Level::Warning, log::Level::Notice, log::Level::Info, log::Level::Debug}) {
        EXPECT_EQ(log::parseLevel(log::levelName(level)), level);
    }
    EXPECT_FALSE(log::parseLevel("Warning"));
    EXPECT_FALSE(log::parseLevel(""));

    struct Sink final : LineSink {
        void writeLine(std::string_view line) override { lines.emplace_back(line); }
        std::vector<std::string> lines;
    } sink;
    log::Logger logger(sink, log::Style::Journal, log::Level::Warning);
    {
        log::Installation installed(logger);
        log::info("not shown");
        log::warning("shown");
        log::error("shown too");
    }
    log::error("after the installation: straight to stderr");
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"<4>shown", "<3>shown too"}));
}

}  // namespace
}  // namespace lintor
