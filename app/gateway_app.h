#pragma once

#include <string>

#include "app/command_line.h"

namespace lintor {

class GatewaySession;

// The desktop program's window. It creates its own Qt application, starts
// the session on the window, and returns when the window closes or a
// termination signal ends its loop.
class WindowShell {
public:
    virtual ~WindowShell() = default;
    // False when no display answers: the gateway then runs headless.
    virtual bool displayAvailable() = 0;
    virtual int run(int& argc, char** argv, GatewaySession& session) = 0;
    // Why the program does not start, where a user who started it from the
    // desktop menu sees it; stderr has it too.
    virtual void showRefusal(int& argc, char** argv, const std::string& text) = 0;
};

// The program: reads the command line and the settings file, then runs the
// gateway until a termination signal arrives (or the window closes).
class GatewayApp {
public:
    explicit GatewayApp(Program program, WindowShell* window = nullptr) : program_(program), window_(window) {}
    int run(int argc, char** argv);

private:
    // Whether a refusal is shown in a window as well as on stderr.
    bool refusesInWindow(std::span<const std::string_view> arguments, const Options& options) const;

    Program program_;
    WindowShell* window_;
};

}  // namespace lintor
