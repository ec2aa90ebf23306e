#include "platform/service_notifier.h"

#include <systemd/sd-daemon.h>

#include <cstdint>
#include <string>

namespace lintor {

ServiceNotifier::ServiceNotifier() {
    uint64_t microseconds = 0;
    if (sd_watchdog_enabled(0, &microseconds) > 0 && microseconds > 0) {
        watchdog_ = std::chrono::microseconds(microseconds);
    }
}

void ServiceNotifier::ready() { sd_notify(0, "READY=1"); }

void ServiceNotifier::status(std::string_view text) {
    // One line: a line feed would start another assignment.
    std::string message = "STATUS=";
    for (const char c : text) message += c == '\n' ? ' ' : c;
    sd_notify(0, message.c_str());
}

void ServiceNotifier::stopping() { sd_notify(0, "STOPPING=1"); }

void ServiceNotifier::keepAlive() { sd_notify(0, "WATCHDOG=1"); }

}  // namespace lintor
