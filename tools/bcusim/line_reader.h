#pragma once

#include <string>

namespace lintor::bcusim {

// Lines from a file or a terminal, one at a time, with every wait cut short
// by an interrupt fd becoming readable.
class LineReader {
public:
    enum class Status { Line, EndOfInput, Interrupted };

    LineReader(int fd, int interruptFd) : fd_(fd), interruptFd_(interruptFd) {}

    // The next line without its newline; a last line without one counts too.
    Status next(std::string& line);

private:
    bool takeLine(std::string& line);
    // Waits for more input; false when interrupted.
    bool fill();

    int fd_;
    int interruptFd_;
    std::string buffer_;
    bool endOfInput_ = false;
};

}  // namespace lintor::bcusim
