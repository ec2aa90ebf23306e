#include "app/gateway_app.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/command_line.h"
#include "app/gateway_core.h"
#include "app/headless_console.h"
#include "app/qt_settings_store.h"
#include "platform/log.h"
#include "platform/serial_port.h"
#include "platform/tcp_socket.h"
#include "platform/termination_signals.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor {
namespace {

std::unique_ptr<QtSettingsStore> openSettings(const Options& options) {
    if (options.configFile.empty()) return std::make_unique<QtSettingsStore>();
    return std::make_unique<QtSettingsStore>(QString::fromStdString(options.configFile));
}

// Ends the event loop on SIGINT or SIGTERM; the loop's owner then shuts
// down in order.
std::unique_ptr<QSocketNotifier> quitOnSignal(const TerminationSignals& terminationSignals) {
    auto notifier = std::make_unique<QSocketNotifier>(terminationSignals.fd(), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [] {
        log::info("termination signal: shutting down");
        QCoreApplication::quit();
    });
    return notifier;
}

int runHeadless(int argc, char** argv, const Options& options, const TerminationSignals& terminationSignals) {
    QCoreApplication application(argc, argv);
    HeadlessConsole console(options.stats);
    auto settings = openSettings(options);

    std::unique_ptr<bcusim::BcuSimulator> simulator;
    std::string device = options.device;
    if (options.simulate) {
        bcusim::Options simulation;
        simulation.demo = true;
        auto started = bcusim::BcuSimulator::start(simulation);
        if (!started.ok()) {
            log::error("cannot start the simulated BCU: " + errorText(started.error()));
            return 1;
        }
        simulator = started.take();
        device = simulator->devicePath();
        console.printLine("Simulated BCU on " + device);
    }

    SerialPortOpener opener;
    CoreConfig config{options.listenAddress, options.gatewayPort, options.proxyPort, device, {}};
    GatewayCore core(console, *settings, opener, config);
    core.start();
    if (core.gateway()->listening()) console.printLine("Gateway port: " + std::to_string(core.gateway()->port()));
    if (core.proxy()->listening()) console.printLine("Proxy port: " + std::to_string(core.proxy()->port()));

    const auto signalNotifier = quitOnSignal(terminationSignals);
    QCoreApplication::exec();
    return 0;
}

}  // namespace

int GatewayApp::run(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const auto parsed = parseCommandLine(arguments);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "lintor: %s\n%s", parsed.error.c_str(), usageText().c_str());
        return 2;
    }
    const Options& options = parsed.options;
    if (options.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(versionText().c_str(), stdout);
        return 0;
    }
    if (!isListenAddress(options.listenAddress)) {
        std::fprintf(stderr, "lintor: not a numeric IPv4 or IPv6 address: %s\n", options.listenAddress.c_str());
        return 2;
    }

    // Before any thread starts, so that every thread inherits the mask and
    // the terminationSignals arrive only through the descriptor.
    auto terminationSignals = TerminationSignals::block();
    if (!terminationSignals.ok()) {
        log::error("cannot block termination terminationSignals: " + errorText(terminationSignals.error()));
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);
    return runHeadless(argc, argv, options, terminationSignals.value());
}

}  // namespace lintor
