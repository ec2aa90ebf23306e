#pragma once

#include <string>

#include "link/posted_message.h"

namespace lintor {

// The two status fields of the main window.
enum class StatusField { Socket = 1001, Bcu = 1002 };

// What the components see of the window that owns them: the desktop dialog
// or the headless console.
class OwnerWindow : public MessagePoster {
public:
    // A message the user must see (a message box on the desktop). Any thread.
    virtual void showMessage(const std::string& text) = 0;
    // User-interface thread only.
    virtual void setStatusText(StatusField field, const std::string& text) = 0;
};

}  // namespace lintor
