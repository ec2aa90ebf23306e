#include "app/gateway_app.h"

#include <QApplication>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/command_line.h"
#include "app/gateway_core.h"
#include "app/headless_console.h"
#include "app/main_dialog.h"
#include "app/settings_path.h"
#include "platform/display_probe.h"
#include "platform/ini_settings_store.h"
#include "platform/line_writer.h"
#include "platform/log.h"
#include "platform/serial_port.h"
#include "platform/tcp_socket.h"
#include "platform/termination_signals.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor {
namespace {

std::unique_ptr<IniSettingsStore> openSettings(const Options& options) {
    return std::make_unique<IniSettingsStore>(options.configFile.empty() ? defaultSettingsPath() : options.configFile);
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A window where a display answers; headless otherwise, also when the
// environment names a display that is gone (a stale remote session).
bool displayAvailable() {
    const std::string x = environment("DISPLAY");
    const std::string wayland = environment("WAYLAND_DISPLAY");
    if (x.empty() && wayland.empty()) return false;
    if (waylandDisplayReachable(wayland, environment("XDG_RUNTIME_DIR")) || (!x.empty() && xDisplayReachable(x))) {
        return true;
    }
    log::warning("display " + (x.empty() ? wayland : x) + " cannot be reached: running headless");
    return false;
}

// What both modes need before the composition root: the settings store and
// the device, which is a simulated BCU's pty when asked for.
struct Environment {
    std::unique_ptr<IniSettingsStore> settings;
    std::unique_ptr<bcusim::BcuSimulator> simulator;
    SerialPortOpener opener;
    GatewayConfig config;
};

std::unique_ptr<Environment> prepareEnvironment(const Options& options, HeadlessConsole& console) {
    auto environment = std::make_unique<Environment>();
    environment->settings = openSettings(options);
    environment->config = options.gateway;
    if (options.simulate) {
        bcusim::Options simulation;
        simulation.demo = true;
        auto started = bcusim::BcuSimulator::start(simulation);
        if (!started.ok()) {
            log::error("cannot start the simulated BCU: " + errorText(started.error()));
            return nullptr;
        }
        environment->simulator = started.take();
        environment->config.device = environment->simulator->devicePath();
        console.printLine("Simulated BCU on " + environment->config.device);
    }
    return environment;
}

void printPorts(const GatewayCore& core, HeadlessConsole& console) {
    if (core.gateway()->listening()) console.printLine("Gateway port: " + std::to_string(core.gateway()->port()));
    if (core.proxy()->listening()) console.printLine("Proxy port: " + std::to_string(core.proxy()->port()));
}

// SIGINT and SIGTERM end every event loop, a message box's or the About
// box's included; the owner of the outermost loop then shuts down in order.
std::unique_ptr<QSocketNotifier> quitOnTerminationSignal(const TerminationSignals& terminationSignals) {
    auto notifier = std::make_unique<QSocketNotifier>(terminationSignals.fd(), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [&terminationSignals] {
        terminationSignals.consume();
        log::info("termination signal: shutting down");
        QCoreApplication::exit(0);
    });
    return notifier;
}

// Qt's own warnings would otherwise be written straight to stderr, blocking
// the event loop when nobody reads it.
void routeQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    const log::Level level = type == QtDebugMsg     ? log::Level::Debug
                             : type == QtInfoMsg    ? log::Level::Info
                             : type == QtWarningMsg ? log::Level::Warning
                                                    : log::Level::Error;
    log::write(level, "Qt: " + message.toStdString());
}

// Standard output and error through writers of their own: a reader that
// stops reading never holds up the event loop or the link worker.
struct Output {
    explicit Output(log::Level threshold)
        : out(STDOUT_FILENO, {}),
          err(STDERR_FILENO, [this](uint64_t dropped) { return droppedNotice(dropped); }),
          logger(err, log::styleForStderr(), threshold),
          installation(logger),
          previousQtHandler(qInstallMessageHandler(routeQtMessage)) {}
    ~Output() { qInstallMessageHandler(previousQtHandler); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    std::string droppedNotice(uint64_t dropped) const {
        return log::formatLine(log::styleForStderr(), log::Level::Warning,
                               std::to_string(dropped) + " log lines dropped: standard error was not read");
    }

    LineWriter out;
    LineWriter err;
    log::Logger logger;
    log::Installation installation;
    QtMessageHandler previousQtHandler;
};

int runHeadless(int argc, char** argv, const Options& options, const TerminationSignals& terminationSignals) {
    QCoreApplication application(argc, argv);
    Output output(options.logLevel);
    HeadlessConsole console(options.stats, output.out);
    const auto environment = prepareEnvironment(options, console);
    if (!environment) return 1;

    GatewayCore core(console, *environment->settings, environment->opener, environment->config);
    core.start();
    printPorts(core, console);
    const auto notifier = quitOnTerminationSignal(terminationSignals);
    QCoreApplication::exec();
    return 0;
}

int runWindow(int argc, char** argv, const Options& options, const TerminationSignals& terminationSignals) {
    QApplication application(argc, argv);
    QApplication::setStyle("Fusion");
    Output output(options.logLevel);
    HeadlessConsole console(false, output.out);
    const auto environment = prepareEnvironment(options, console);
    if (!environment) return 1;

    MainDialog dialog;
    GatewayCore core(dialog, *environment->settings, environment->opener, environment->config);
    core.start();
    printPorts(core, console);
    // Exit, Enter, Escape, the close box or a signal end the modal loop;
    // the composition root then shuts down in order.
    const auto notifier = quitOnTerminationSignal(terminationSignals);
    dialog.exec();
    return 0;
}

}  // namespace

int GatewayApp::run(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const auto parsed = parseCommandLine(arguments);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "lintor: %s\n%s", parsed.error.c_str(), usageText(defaultSettingsPath()).c_str());
        return 2;
    }
    const Options& options = parsed.options;
    if (options.help) {
        std::fputs(usageText(defaultSettingsPath()).c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(versionText().c_str(), stdout);
        return 0;
    }

    // Before any thread starts, so that every thread inherits the mask and
    // the terminationSignals arrive only through the descriptor.
    auto terminationSignals = TerminationSignals::block();
    if (!terminationSignals.ok()) {
        log::error("cannot block termination terminationSignals: " + errorText(terminationSignals.error()));
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);
    if (options.headless || !displayAvailable()) return runHeadless(argc, argv, options, terminationSignals.value());
    return runWindow(argc, argv, options, terminationSignals.value());
}

}  // namespace lintor
