#pragma once

#include <cstdint>
#include <string>

#include "link/owner_window.h"

namespace lintor {

class GroupValueTable;

// The four counter fields of the main window.
enum class CounterField { AckSent = 1004, AckReceived = 1007, PortWrites = 1008, Duplicates = 1009 };

// What the user sees: the desktop window or the headless console. The
// composition root routes once and writes here.
class UserInterface {
public:
    virtual ~UserInterface() = default;
    virtual void setStatusText(StatusField field, const std::string& text) = 0;
    virtual void setCounter(CounterField field, int32_t value) = 0;
    // After each refresh of all four counters.
    virtual void countersRefreshed() {}
    // A message the user must see: a message box on the desktop.
    virtual void showMessage(const std::string& text) = 0;

    // The group value table for the table view; null before the proxy
    // exists and once it is gone.
    virtual void setGroupValueTable(const GroupValueTable*) {}
    virtual bool isTableShown() const { return false; }
    virtual void fillTable() {}
};

}  // namespace lintor
