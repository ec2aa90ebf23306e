#include "app/headless_console.h"

#include "platform/log.h"

namespace lintor {
namespace {

std::string number(const std::optional<int32_t>& value) { return std::to_string(value.value_or(0)); }

}  // namespace

void HeadlessConsole::printLine(const std::string& line) { out_.writeLine(line); }

void HeadlessConsole::setStatusText(StatusField field, const std::string& text) {
    printLine((field == StatusField::Socket ? "Socket: " : "BCU: ") + text);
}

void HeadlessConsole::setCounter(CounterField field, int32_t value) {
    switch (field) {
    case CounterField::AckSent:
        current_.ackSent = value;
        break;
    case CounterField::AckReceived:
        current_.ackReceived = value;
        break;
    case CounterField::PortWrites:
        current_.portWrites = value;
        break;
    case CounterField::Duplicates:
        current_.duplicates = value;
        break;
    }
}

void HeadlessConsole::countersRefreshed() {
    if (!printCounters_ || current_ == printed_) return;
    printed_ = current_;
    printLine("Counters: DataMsgs > BCU=" + number(current_.portWrites) +
              " received ACKs=" + number(current_.ackReceived) + " ACKs > BCU=" + number(current_.ackSent) +
              " Duplicate Msgs=" + number(current_.duplicates));
}

void HeadlessConsole::showMessage(const std::string& text) { log::error(text); }

}  // namespace lintor
