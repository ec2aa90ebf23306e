#pragma once

#include <string>

#include "app/user_interface.h"
#include "platform/service_notifier.h"

namespace lintor {

// Shows everything on the inner interface and hands the BCU field to the
// service manager as the unit's status line ("BCU: connected to BCU").
class ServiceStatus final : public UserInterface {
public:
    ServiceStatus(UserInterface& inner, ServiceNotifier& notifier) : inner_(inner), notifier_(notifier) {}

    void setStatusText(StatusField field, const std::string& text) override {
        inner_.setStatusText(field, text);
        if (field == StatusField::Bcu) notifier_.status("BCU: " + text);
    }
    void setCounter(CounterField field, int32_t value) override { inner_.setCounter(field, value); }
    void countersRefreshed() override { inner_.countersRefreshed(); }
    bool showsCounters() const override { return inner_.showsCounters(); }
    void showMessage(const std::string& text) override { inner_.showMessage(text); }
    void showBcuAddress(const std::string& address) override { inner_.showBcuAddress(address); }
    void showKnxIpStatus(const std::string& line, const std::string& brief) override {
        inner_.showKnxIpStatus(line, brief);
    }
    void setGroupValueTable(const GroupValueTable* table) override { inner_.setGroupValueTable(table); }
    bool isTableShown() const override { return inner_.isTableShown(); }
    void fillTable() override { inner_.fillTable(); }

private:
    UserInterface& inner_;
    ServiceNotifier& notifier_;
};

}  // namespace lintor
