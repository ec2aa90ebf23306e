#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/configuration.h"
#include "app/headless_console.h"
#include "app/service_status.h"
#include "platform/blocked_signals.h"
#include "platform/event_loop.h"
#include "platform/service_notifier.h"

namespace lintor {

class GatewayCore;
struct GatewayOutput;
struct GatewayEnvironment;

// One run of the gateway, the same in both programs: the event loop, output,
// settings, device, the composition root, the service manager, and the
// signals (SIGINT/SIGTERM end the run, SIGHUP rereads the log level and the
// allow-list).
class GatewaySession {
public:
    struct Signals {
        const BlockedSignals& termination;
        const BlockedSignals& reload;
    };

    GatewaySession(Program program, std::span<const std::string_view> arguments, Configuration configuration,
                   Signals signals);
    ~GatewaySession();
    GatewaySession(const GatewaySession&) = delete;
    GatewaySession& operator=(const GatewaySession&) = delete;

    // The event loop, the settings store and the device (a simulated BCU's
    // when asked). Empty when ready; otherwise why not, already logged.
    [[nodiscard]] std::string prepare();
    // Composes the core on ui and starts it; tells the service manager once
    // the ports listen. SIGINT and SIGTERM call terminate on the loop's thread.
    void start(UserInterface& ui, std::function<void()> terminate);
    // Shuts the core down in order, on the loop's thread.
    void finish();

    EventLoop& loop() { return *loop_; }
    HeadlessConsole& console();
    const Options& options() const { return configuration_.options; }

private:
    void reload();
    void reportReadiness();
    void startKeepAlive();

    Program program_;
    std::vector<std::string> arguments_;
    Configuration configuration_;
    Signals signals_;
    std::unique_ptr<GatewayOutput> output_;
    std::unique_ptr<HeadlessConsole> console_;
    SystemClock clock_;
    std::unique_ptr<EventLoop> loop_;
    std::unique_ptr<GatewayEnvironment> environment_;
    ServiceNotifier notifier_;
    std::unique_ptr<ServiceStatus> status_;
    std::unique_ptr<GatewayCore> core_;
    EventLoop::Timer keepAlive_;
    EventLoop::Watch terminationWatch_;
    EventLoop::Watch reloadWatch_;
};

}  // namespace lintor
