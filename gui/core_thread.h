#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "app/user_interface.h"
#include "gui/main_dialog.h"
#include "gui/window_inbox.h"
#include "platform/event_loop.h"
#include "proxy/group_value_table.h"

namespace lintor {

// The gateway's core on a thread of its own, beside the window's: a modal
// box, a slow repaint or a window being dragged never holds up the line. The
// core writes to the window through an inbox; the window asks the core for
// the group value table through the core's loop, and shows a copy of it.
class CoreThread final : private UserInterface {
public:
    // On the core's thread: start before its loop runs, finish after.
    using Start = std::function<void(UserInterface& ui)>;
    using Finish = std::function<void()>;

    CoreThread(MainDialog& window, EventLoop& loop, Start start, Finish finish);
    // stop()
    ~CoreThread() override;
    CoreThread(const CoreThread&) = delete;
    CoreThread& operator=(const CoreThread&) = delete;

    // Ends the core's loop and waits for its thread, which finishes first.
    void stop();
    // Any thread: ends the window's loops, message boxes' included.
    void closeWindow();

private:
    // UserInterface, on the core's thread.
    void setStatusText(StatusField field, const std::string& text) override;
    void setCounter(CounterField field, int32_t value) override;
    void countersRefreshed() override;
    void showMessage(const std::string& text) override;
    void showKnxIpStatus(const std::string& line, const std::string& brief) override;
    void showBcuAddress(const std::string& address) override;
    void setGroupValueTable(const GroupValueTable* table) override;
    bool isTableShown() const override { return tableShown_.load(); }
    void fillTable() override { sendTable(); }

    void sendTable();

    MainDialog& window_;
    EventLoop& loop_;
    WindowInbox inbox_;
    const GroupValueTable* table_ = nullptr;  // the core's thread
    GroupValueTable shownTable_;              // the window's thread
    std::atomic<bool> tableShown_{false};
    std::thread thread_;
};

}  // namespace lintor
