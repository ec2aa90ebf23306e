#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace lintor {

// Tells the service manager how the daemon is doing (sd_notify): ready,
// status, still alive. Without a service manager every call does nothing.
class ServiceNotifier {
public:
    ServiceNotifier();

    void ready();
    void status(std::string_view text);
    void stopping();
    // "Still alive"; due at least once per watchdogInterval().
    void keepAlive();
    // The interval asked for by WatchdogSec=, none when there is no watchdog.
    std::optional<std::chrono::microseconds> watchdogInterval() const { return watchdog_; }

private:
    std::optional<std::chrono::microseconds> watchdog_;
};

}  // namespace lintor
