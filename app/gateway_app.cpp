#include "app/gateway_app.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/configuration.h"
#include "app/gateway_session.h"
#include "app/settings_path.h"
#include "platform/blocked_signals.h"
#include "platform/log.h"

namespace lintor {
namespace {

std::string defaultPathFor(Program program) {
    return program == Program::Desktop ? defaultSettingsPath() : std::string();
}

void printProblems(Program program, const Configuration& configuration) {
    for (const ConfigProblem& problem : configuration.problems) {
        std::fprintf(stderr, "%s: %s%s\n", std::string(programName(program)).c_str(),
                     problem.fatal ? "" : "warning: ", log::visible(problem.text).c_str());
    }
}

std::string refusalText(Program program, const Configuration& configuration, bool commandLineMistake) {
    std::string text = std::string(programName(program)) + " cannot start:\n";
    for (const ConfigProblem& problem : configuration.problems) {
        text += "\n" + std::string(problem.fatal ? "" : "warning: ") + log::visible(problem.text);
    }
    if (commandLineMistake) text += "\n\n" + std::string(programName(program)) + " --help lists the options.";
    return text;
}

int checkOnly(Program program, Configuration configuration) {
    checkDevice(configuration);
    printProblems(program, configuration);
    if (!configuration.problems.empty()) return 1;
    const std::string source = configuration.path.empty() ? "the command line" : configuration.path;
    std::printf("%s: no problems\n", source.c_str());
    return 0;
}

int runHeadless(GatewaySession& session) {
    if (!session.prepare().empty()) return 1;
    EventLoop& loop = session.loop();
    session.start(session.console(), [&loop] { loop.quit(); });
    loop.run();
    session.finish();
    return 0;
}

}  // namespace

int GatewayApp::run(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const std::string defaultPath = defaultPathFor(program_);
    Configuration configuration = loadConfiguration(program_, arguments, defaultPath);
    const Options& options = configuration.options;
    if (options.help) {
        std::fputs(usageText(program_, defaultPath).c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(versionText().c_str(), stdout);
        return 0;
    }
    if (options.checkConfig) return checkOnly(program_, std::move(configuration));
    if (!configuration.usable()) {
        printProblems(program_, configuration);
        const bool commandLineMistake = !parseCommandLine(program_, arguments).error.empty();
        if (commandLineMistake) std::fputs(usageText(program_, defaultPath).c_str(), stderr);
        if (refusesInWindow(arguments, options)) {
            window_->showRefusal(argc, argv, refusalText(program_, configuration, commandLineMistake));
        }
        return commandLineMistake ? 2 : 1;
    }

    // Before any thread starts, so that every thread inherits the mask and
    // the signals arrive only through the descriptors.
    auto termination = BlockedSignals::block({SIGINT, SIGTERM});
    auto reload = BlockedSignals::block({SIGHUP});
    if (!termination.ok() || !reload.ok()) {
        log::error("cannot block the signals: " + errorText(termination.ok() ? reload.error() : termination.error()));
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);
    GatewaySession session(program_, arguments, std::move(configuration), {termination.value(), reload.value()});
    const bool window = window_ && !session.options().headless && window_->displayAvailable();
    if (window) return window_->run(argc, argv, session);
    return runHeadless(session);
}

bool GatewayApp::refusesInWindow(std::span<const std::string_view> arguments, const Options& options) const {
    // A command line that was not understood may still have asked for no window.
    const bool headless = options.headless || std::ranges::find(arguments, "--headless") != arguments.end();
    return window_ && !headless && window_->displayAvailable();
}

}  // namespace lintor
