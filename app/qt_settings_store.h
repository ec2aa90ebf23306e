#pragma once

#include <QSettings>

#include <memory>

#include "platform/settings_store.h"

namespace lintor {

// The per-user settings store (~/.config/Varn/Lintor.conf), or an INI file
// named on the command line.
class QtSettingsStore final : public SettingsStore {
public:
    QtSettingsStore();
    explicit QtSettingsStore(const QString& iniFile);

    int readInt(const std::string& section, const std::string& key, int fallback) override;
    std::optional<std::string> readString(const std::string& section, const std::string& key) override;
    void writeInt(const std::string& section, const std::string& key, int value) override;

private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace lintor
