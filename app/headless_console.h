#pragma once

#include <array>
#include <optional>

#include "app/user_interface.h"
#include "platform/line_writer.h"

namespace lintor {

// The user interface without a display: one line per event for programs
// that watch (their form is fixed: scripts read them), messages as error
// lines of the log.
class HeadlessConsole final : public UserInterface {
public:
    HeadlessConsole(bool printCounters, LineSink& out) : printCounters_(printCounters), out_(out) {}

    void setStatusText(StatusField field, const std::string& text) override;
    void setCounter(CounterField field, int32_t value) override;
    void countersRefreshed() override;
    bool showsCounters() const override { return printCounters_; }
    void showMessage(const std::string& text) override;
    void showKnxIpStatus(const std::string& line, const std::string& /*brief*/) override { printLine(line); }
    void showBcuAddress(const std::string& address) override { printLine("BCU address: " + address); }

    void printLine(const std::string& line);

private:
    struct Counters {
        std::optional<int32_t> portWrites, ackReceived, ackSent, duplicates;
        friend bool operator==(const Counters&, const Counters&) = default;
    };

    bool printCounters_;
    LineSink& out_;
    Counters current_;
    Counters printed_;
};

}  // namespace lintor
