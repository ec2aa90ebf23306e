#pragma once

#include <optional>
#include <string>

#include "platform/ini_document.h"
#include "platform/settings_store.h"
#include "platform/sys_result.h"

namespace lintor {

// The whole file, at most 1 MiB; a missing one fails with ENOENT, anything
// but a regular file (a FIFO would block the reader) with
// NOT_A_REGULAR_FILE.
SysResult<IniDocument> readIniFile(const std::string& path);
inline constexpr int NOT_A_REGULAR_FILE = -1;
// "Permission denied"; "not a regular file (a FIFO)" for a FIFO.
std::string readFailureText(int error, const std::string& path);

// The settings in an INI file (see IniDocument for how it is read). A write
// changes only the line of its key, or adds one, and leaves the file
// untouched when it already holds the value.
class IniSettingsStore final : public SettingsStore {
public:
    // A daemon's file belongs to the admin: it is read, never written.
    enum class Access { ReadWrite, ReadOnly };

    // Reads the file once; a missing file is an empty store.
    explicit IniSettingsStore(std::string path, Access access = Access::ReadWrite);

    int readInt(const std::string& section, const std::string& key, int fallback) override;
    std::optional<std::string> readString(const std::string& section, const std::string& key) override;
    // Merged into the file as it is on disk now, so that an admin's edits
    // made meanwhile survive. False, with a log line, when it cannot be
    // written; a file we may not write (read-only, or not ours) is left
    // alone with a debug line only.
    bool writeInt(const std::string& section, const std::string& key, int value) override;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    Access access_;
    IniDocument document_;
};

}  // namespace lintor
