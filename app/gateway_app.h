#pragma once

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
};

// The program: reads the command line and the settings file, then runs the
// gateway until a termination signal arrives (or the window closes).
class GatewayApp {
public:
    explicit GatewayApp(Program program, WindowShell* window = nullptr) : program_(program), window_(window) {}
    int run(int argc, char** argv);

private:
    Program program_;
    WindowShell* window_;
};

}  // namespace lintor
