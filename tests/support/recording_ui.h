#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/user_interface.h"

namespace lintor::test {

// Everything the composition root shows, kept in order.
class RecordingUi final : public UserInterface {
public:
    void setStatusText(StatusField field, const std::string& text) override { statuses[field].push_back(text); }
    void setCounter(CounterField field, int32_t value) override { counters[field] = value; }
    void countersRefreshed() override { ++refreshes; }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void showBcuAddress(const std::string& address) override { bcuAddress = address; }

    std::string last(StatusField field) const {
        const auto it = statuses.find(field);
        return it == statuses.end() || it->second.empty() ? "" : it->second.back();
    }

    std::map<StatusField, std::vector<std::string>> statuses;
    std::map<CounterField, int32_t> counters;
    int refreshes = 0;
    std::vector<std::string> messages;
    std::string bcuAddress;
};

}  // namespace lintor::test
