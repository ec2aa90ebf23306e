#include "app/gateway_session.h"

#include <unistd.h>

#include <chrono>
#include <functional>

#include "app/gateway_core.h"
#include "platform/current_thread.h"
#include "platform/file_limit.h"
#include "platform/ini_settings_store.h"
#include "platform/line_writer.h"
#include "platform/log.h"
#include "platform/serial_port.h"
#include "tools/bcusim/bcu_simulator.h"

namespace lintor {
namespace {

// Each client is a descriptor; the link, the log and Qt take a few dozen more.
void checkDescriptorLimit(const GatewayConfig& config) {
    constexpr size_t kOwnDescriptors = 64;
    const size_t ports = config.proxyEnabled ? 2 : 1;
    const size_t wanted = ports * config.limits.maxClients + kOwnDescriptors;
    const size_t limit = raiseOpenFileLimit();
    if (limit != 0 && limit < wanted) {
        log::warning("up to " + std::to_string(config.limits.maxClients) + " clients per port need about " +
                     std::to_string(wanted) + " descriptors, but the limit is " + std::to_string(limit) +
                     ": raise it (LimitNOFILE= in the unit, ulimit -n) or lower --max-clients");
    }
}

std::string droppedNotice(uint64_t dropped) {
    return log::formatLine(log::styleForStderr(), log::Level::Warning,
                           std::to_string(dropped) + " log lines dropped: standard error was not read");
}

EventLoop::Watch watchSignals(EventLoop& loop, const BlockedSignals& blocked, std::function<void()> handle) {
    return loop.watch(blocked.fd(), {.read = true}, [&blocked, handle = std::move(handle)](EventLoop::Readiness) {
        blocked.consume();
        handle();
    });
}

std::string allowText(const AddressFilter& allow) {
    if (allow.empty()) return "everyone";
    std::string text;
    for (const Cidr& rule : allow.rules()) text += (text.empty() ? "" : " ") + formatCidr(rule);
    return text;
}

}  // namespace

// Standard output and error through writers of their own: a reader that
// stops reading never holds up the event loop or the link worker.
struct GatewayOutput {
    explicit GatewayOutput(log::Level threshold)
        : out(STDOUT_FILENO, {}),
          err(STDERR_FILENO, droppedNotice),
          logger(err, log::styleForStderr(), threshold),
          installation(logger) {}

    LineWriter out;
    LineWriter err;
    log::Logger logger;
    log::Installation installation;
};

// What the composition root needs: the settings store and the device,
// which is a simulated BCU's pty when asked for.
struct GatewayEnvironment {
    std::unique_ptr<IniSettingsStore> settings;
    std::unique_ptr<bcusim::BcuSimulator> simulator;
    SerialPortOpener opener;
    GatewayConfig config;
};

GatewaySession::GatewaySession(Program program, std::span<const std::string_view> arguments,
                               Configuration configuration, Signals signals)
    : program_(program),
      arguments_(arguments.begin(), arguments.end()),
      configuration_(std::move(configuration)),
      signals_(signals),
      output_(std::make_unique<GatewayOutput>(configuration_.options.logLevel)),
      console_(std::make_unique<HeadlessConsole>(configuration_.options.stats, output_->out)) {
    for (const ConfigProblem& problem : configuration_.problems) log::warning(log::visible(problem.text));
}

GatewaySession::~GatewaySession() { finish(); }

void GatewaySession::finish() {
    if (!core_) return;
    notifier_.stopping();
    keepAlive_.reset();
    reloadWatch_.reset();
    terminationWatch_.reset();
    core_.reset();
}

HeadlessConsole& GatewaySession::console() { return *console_; }

std::string GatewaySession::prepare() {
    auto loop = EventLoop::create(clock_);
    if (!loop.ok()) {
        std::string problem = "cannot create the event loop: " + errorText(loop.error());
        log::error(problem);
        return problem;
    }
    loop_ = loop.take();
    environment_ = std::make_unique<GatewayEnvironment>();
    // The daemon's file belongs to the admin; the desktop keeps "ComPort" in its own.
    const auto access =
        program_ == Program::Daemon ? IniSettingsStore::Access::ReadOnly : IniSettingsStore::Access::ReadWrite;
    environment_->settings = std::make_unique<IniSettingsStore>(configuration_.path, access);
    environment_->config = configuration_.options.gateway;
    checkDescriptorLimit(environment_->config);
    if (!configuration_.options.simulate) return {};
    bcusim::Options simulation;
    simulation.demo = true;
    simulation.interface = environment_->config.busInterface;
    auto started = bcusim::BcuSimulator::start(simulation);
    if (!started.ok()) {
        std::string problem = "cannot start the simulated BCU: " + errorText(started.error());
        log::error(problem);
        return problem;
    }
    environment_->simulator = started.take();
    environment_->config.device = environment_->simulator->devicePath();
    console_->printLine("Simulated BCU on " + environment_->config.device);
    return {};
}

void GatewaySession::start(UserInterface& ui, std::function<void()> terminate) {
    // The core's thread (the daemon's only one; the window has its own)
    // answers the BCU, which waits for its 0xE5, ahead of other programs.
    constexpr int kCoreNice = -10;
    if (!raiseCurrentThreadPriority(kCoreNice)) {
        log::info("the gateway runs at normal priority (" + errorText(errno) +
                  "); LimitNICE=-10 or CAP_SYS_NICE lets it raise its own");
    }
    status_ = std::make_unique<ServiceStatus>(ui, notifier_);
    core_ = std::make_unique<GatewayCore>(*loop_, *status_, *environment_->settings, environment_->opener,
                                          environment_->config);
    core_->start();
    if (core_->gateway()->listening()) console_->printLine("Gateway port: " + std::to_string(core_->gateway()->port()));
    if (core_->proxy()->listening()) console_->printLine("Proxy port: " + std::to_string(core_->proxy()->port()));
    if (core_->knxip() && core_->knxip()->listening()) {
        console_->printLine("KNXnet/IP port: " + std::to_string(core_->knxip()->port()));
    }
    reportReadiness();
    startKeepAlive();
    // The shell ends its loops, a message box's or the About box's included;
    // the owner of the outermost loop then shuts down in order.
    terminationWatch_ = watchSignals(*loop_, signals_.termination, [terminate = std::move(terminate)] {
        log::info("termination signal: shutting down");
        terminate();
    });
    reloadWatch_ = watchSignals(*loop_, signals_.reload, [this] { reload(); });
}

// Ready only with every port it was asked for: a port still held by an old
// instance keeps the unit starting until the manager gives up and restarts it.
void GatewaySession::reportReadiness() {
    const GatewayConfig& config = environment_->config;
    const bool gatewayUp = core_->gateway()->listening();
    const bool proxyUp = !config.proxyEnabled || core_->proxy()->listening();
    // Not the KNXnet/IP port: it is new beside the two, and instances set up
    // before it would otherwise all wait for the one port 3671.
    if (gatewayUp && proxyUp) {
        notifier_.ready();
        return;
    }
    log::error(std::string("not ready: the ") + (gatewayUp ? "proxy" : "gateway") + " port could not be opened");
}

// From the event loop itself, so that a loop that hangs stops the pings.
void GatewaySession::startKeepAlive() {
    const auto interval = notifier_.watchdogInterval();
    if (!interval) return;
    keepAlive_ = loop_->timer([this] { notifier_.keepAlive(); });
    keepAlive_.startEvery(*interval / 2);
    notifier_.keepAlive();
}

void GatewaySession::reload() {
    std::vector<std::string_view> arguments(arguments_.begin(), arguments_.end());
    Configuration fresh = loadConfiguration(program_, arguments, configuration_.path);
    for (const ConfigProblem& problem : fresh.problems) {
        (problem.fatal ? log::error : log::warning)(log::visible(problem.text));
    }
    if (!fresh.usable()) {
        log::error("SIGHUP: configuration not reloaded; the log level and allowed addresses stay as they were");
        return;
    }
    const Options& options = fresh.options;
    output_->logger.setThreshold(options.logLevel);
    core_->gateway()->setAllow(options.gateway.allow);
    core_->proxy()->setAllow(options.gateway.allow);
    if (core_->knxip()) core_->knxip()->setAllow(options.gateway.allow);
    configuration_.options.logLevel = options.logLevel;
    configuration_.options.gateway.allow = options.gateway.allow;
    log::notice("SIGHUP: configuration reloaded: log level " + std::string(log::levelName(options.logLevel)) +
                ", connections accepted from " + allowText(options.gateway.allow));
}

}  // namespace lintor
