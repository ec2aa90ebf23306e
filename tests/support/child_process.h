#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/unique_fd.h"

namespace lintor::test {

// The number after the colon of a line such as "Gateway port: 57627"; 0 for none.
uint16_t portFrom(const std::optional<std::string>& line);
// A whole file's text; empty when it cannot be read.
std::string fileText(const std::string& path);

class ChildProcess;

bool hasLineContaining(const std::vector<std::string>& lines, const std::string& text);
// Reads the process's output until a line holds the text, or the time is up.
bool waitForLineContaining(ChildProcess& process, const std::string& text, std::chrono::milliseconds timeout);
// The lines with a newline after each, for failure messages.
std::string joined(const std::vector<std::string>& lines);

// One thread of a process as /proc shows it.
struct ThreadInfo {
    std::string name;  // comm: "lintor-link"
    bool main = false;
    long contextSwitches = 0;  // voluntary and forced
    uint64_t onCpuNanos = 0;   // the first field of its schedstat
};
std::vector<ThreadInfo> threadsOf(pid_t pid);

// A program started for a test, with its stdout and stderr read line by
// line. Killed on destruction if still running.
class ChildProcess {
public:
    // withInput: the program's stdin is a socket for writeLine(); otherwise
    // it is the test's own.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments, bool withInput = false);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The first stdout line, from the current position on, that starts with
    // the prefix; earlier lines are passed over.
    std::optional<std::string> waitForLine(const std::string& prefix, std::chrono::milliseconds timeout);
    // True once stderr holds a log line that ends with this text after its
    // level: "<4>text" or "... lintor: error: text".
    bool waitForErrorLine(const std::string& line, std::chrono::milliseconds timeout);
    const std::vector<std::string>& outputLines() const { return out_.lines; }
    const std::vector<std::string>& errorLines() const { return err_.lines; }

    // From now on stderr stays a pipe that nobody reads, as with a reader
    // that hangs.
    void stopReadingErrors() { errorsUnread_ = true; }
    // Reads what has arrived on stdout (and stderr, unless unread) meanwhile.
    void pumpFor(std::chrono::milliseconds duration);
    pid_t pid() const { return pid_; }

    // A line to the program's stdin; false once it cannot be written.
    bool writeLine(const std::string& line);
    // The program sees the end of its input.
    void closeInput() { in_.reset(); }

    void sendSignal(int signal);
    // The exit code, or nothing if it did not end in time (or died of a signal).
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);

private:
    struct Stream {
        UniqueFd fd;
        std::string partial;
        std::vector<std::string> lines;
    };
    // Reads what arrives within the time; false when nothing can arrive any more.
    bool pump(std::chrono::milliseconds timeout);
    void drain(Stream& stream);

    pid_t pid_ = -1;
    UniqueFd in_;
    Stream out_;
    Stream err_;
    size_t outPosition_ = 0;
    std::optional<int> exitCode_;
    bool exited_ = false;
    bool errorsUnread_ = false;
};

}  // namespace lintor::test
