#pragma once

#include <cstdint>
#include <string>

namespace lintor {

class GroupValueTable;

// The two status fields and the four counter fields of the main window.
enum class StatusField { Socket, Bcu };
enum class CounterField { AckSent, AckReceived, PortWrites, Duplicates };

// What the user sees: the desktop window or the headless console. The
// composition root routes once and writes here.
class UserInterface {
public:
    virtual ~UserInterface() = default;
    virtual void setStatusText(StatusField field, const std::string& text) = 0;
    virtual void setCounter(CounterField field, int32_t value) = 0;
    // After each refresh of all four counters.
    virtual void countersRefreshed() {}
    // False when the counters are shown nowhere: no tick is needed for them.
    virtual bool showsCounters() const { return true; }
    // A message the user must see: a message box on the desktop.
    virtual void showMessage(const std::string& text) = 0;
    // The BCU's own individual address, "1.1.250", once it is known.
    virtual void showBcuAddress(const std::string& /*address*/) {}
    // A line about the KNXnet/IP server ("KNXnet/IP: tunnel 1 connected
    // from 192.0.2.10:3671") and its short form for the narrow socket field
    // of the window ("tunnel 1 connected..").
    virtual void showKnxIpStatus(const std::string& /*line*/, const std::string& brief) {
        setStatusText(StatusField::Socket, brief);
    }

    // The group value table for the table view; null before the proxy
    // exists and once it is gone.
    virtual void setGroupValueTable(const GroupValueTable*) {}
    virtual bool isTableShown() const { return false; }
    virtual void fillTable() {}
};

}  // namespace lintor
