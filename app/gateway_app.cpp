#include "app/gateway_app.h"

#include <QCoreApplication>

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
                     problem.fatal ? "" : "warning: ", problem.text.c_str());
    }
}

int checkOnly(Program program, Configuration configuration) {
    checkDevice(configuration);
    printProblems(program, configuration);
    if (!configuration.problems.empty()) return 1;
    const std::string source = configuration.path.empty() ? "the command line" : configuration.path;
    std::printf("%s: no problems\n", source.c_str());
    return 0;
}

int runHeadless(int argc, char** argv, GatewaySession& session) {
    QCoreApplication application(argc, argv);
    if (!session.prepare()) return 1;
    session.start(session.console());
    QCoreApplication::exec();
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
        if (parseCommandLine(program_, arguments).error.empty()) return 1;
        std::fputs(usageText(program_, defaultPath).c_str(), stderr);
        return 2;
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
    return runHeadless(argc, argv, session);
}

}  // namespace lintor
