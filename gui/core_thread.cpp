#include "gui/core_thread.h"

#include <QCoreApplication>

#include <memory>

#include "platform/current_thread.h"

namespace lintor {

CoreThread::CoreThread(MainDialog& window, EventLoop& loop, Start start, Finish finish) : window_(window), loop_(loop) {
    window_.setTableShownChanged([this](bool shown) {
        tableShown_ = shown;
        if (shown) loop_.post([this] { sendTable(); });
    });
    thread_ = std::thread([this, start = std::move(start), finish = std::move(finish)] {
        nameCurrentThread("lintor-core");
        start(*this);
        loop_.run();
        finish();
    });
}

CoreThread::~CoreThread() {
    stop();
    window_.setTableShownChanged({});
}

void CoreThread::stop() {
    if (!thread_.joinable()) return;
    loop_.post([this] { loop_.quit(); });
    thread_.join();
}

void CoreThread::closeWindow() {
    inbox_.post([] { QCoreApplication::exit(0); });
}

void CoreThread::setStatusText(StatusField field, const std::string& text) {
    inbox_.post([this, field, text] { window_.setStatusText(field, text); });
}

void CoreThread::setCounter(CounterField field, int32_t value) {
    inbox_.post([this, field, value] { window_.setCounter(field, value); });
}

void CoreThread::countersRefreshed() {
    inbox_.post([this] { window_.countersRefreshed(); });
}

void CoreThread::showMessage(const std::string& text) {
    inbox_.post([this, text] { window_.showMessage(text); });
}

void CoreThread::showKnxIpStatus(const std::string& line, const std::string& brief) {
    inbox_.post([this, line, brief] { window_.showKnxIpStatus(line, brief); });
}

void CoreThread::showBcuAddress(const std::string& address) {
    inbox_.post([this, address] { window_.showBcuAddress(address); });
}

void CoreThread::setGroupValueTable(const GroupValueTable* table) {
    table_ = table;
    inbox_.post([this, shown = table != nullptr] { window_.setGroupValueTable(shown ? &shownTable_ : nullptr); });
    sendTable();
}

// A copy: the table keeps changing on the core's thread.
void CoreThread::sendTable() {
    if (!table_) return;
    auto copy = std::make_shared<const GroupValueTable>(*table_);
    inbox_.post([this, copy] {
        shownTable_ = *copy;
        window_.fillTable();
    });
}

}  // namespace lintor
