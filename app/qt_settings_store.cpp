#include "app/qt_settings_store.h"

#include "platform/log.h"

namespace lintor {
namespace {

QString keyOf(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + '/' + QString::fromStdString(key);
}

}  // namespace

QtSettingsStore::QtSettingsStore() : settings_(std::make_unique<QSettings>("Varn", "Lintor")) {}

QtSettingsStore::QtSettingsStore(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

int QtSettingsStore::readInt(const std::string& section, const std::string& key, int fallback) {
    const QVariant value = settings_->value(keyOf(section, key));
    if (!value.isValid()) return fallback;
    bool ok = false;
    const int number = value.toInt(&ok);
    if (ok) return number;
    log::warning("setting " + section + "/" + key + " is not a number: using " + std::to_string(fallback));
    return fallback;
}

std::optional<std::string> QtSettingsStore::readString(const std::string& section, const std::string& key) {
    const QVariant value = settings_->value(keyOf(section, key));
    if (!value.isValid()) return std::nullopt;
    return value.toString().toStdString();
}

void QtSettingsStore::writeInt(const std::string& section, const std::string& key, int value) {
    settings_->setValue(keyOf(section, key), value);
    settings_->sync();
    if (settings_->status() != QSettings::NoError) {
        log::warning("cannot write the settings to " + settings_->fileName().toStdString());
    }
}

}  // namespace lintor
