#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace lintor {

// The settings in an INI file. Sections and keys match whatever their case
// ("[Settings]", "comport=5"), as on the platform the settings come from;
// the first match counts. Values are taken as they stand, without inline
// comments; surrounding blanks and one pair of double quotes are dropped.
// A write changes only the line of its key (or adds one), keeps comments,
// order and line ends, and leaves the file untouched when it already holds
// the value.
class IniSettingsStore final : public SettingsStore {
public:
    // Reads the file once; a missing file is an empty store.
    explicit IniSettingsStore(std::string path);

    int readInt(const std::string& section, const std::string& key, int fallback) override;
    std::optional<std::string> readString(const std::string& section, const std::string& key) override;
    // Merged into the file as it is on disk now, so that an admin's edits
    // made meanwhile survive. False, with a log line, when it cannot be
    // written.
    bool writeInt(const std::string& section, const std::string& key, int value) override;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::vector<std::string> lines_;
};

}  // namespace lintor
