#pragma once

#include <array>
#include <cstdio>
#include <optional>

#include "app/user_interface.h"

namespace lintor {

// The user interface without a display: one line per event on stdout,
// messages on stderr, each flushed at once for programs that watch.
class HeadlessConsole final : public UserInterface {
public:
    HeadlessConsole(bool printCounters, std::FILE* out = stdout, std::FILE* err = stderr)
        : printCounters_(printCounters),
          out_(out),
          err_(err) {}

    void setStatusText(StatusField field, const std::string& text) override;
    void setCounter(CounterField field, int32_t value) override;
    void countersRefreshed() override;
    void showMessage(const std::string& text) override;

    void printLine(const std::string& line);

private:
    struct Counters {
        std::optional<int32_t> portWrites, ackReceived, ackSent, duplicates;
        friend bool operator==(const Counters&, const Counters&) = default;
    };

    bool printCounters_;
    std::FILE* out_;
    std::FILE* err_;
    Counters current_;
    Counters printed_;
};

}  // namespace lintor
