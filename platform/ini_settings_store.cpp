#include "platform/ini_settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>

#include "platform/log.h"
#include "platform/sys_result.h"
#include "platform/unique_fd.h"

namespace lintor {
namespace {

// A settings file is a few lines; anything near this size is not one.
constexpr size_t kMaxSettingsFileBytes = size_t{1} << 20;

// A missing file is an empty one; any other failure to read it is an error,
// so that a file we could not read is never replaced by what we know.
SysResult<IniDocument> readDocument(const std::string& path) {
    auto document = readIniFile(path);
    if (!document.ok() && document.error() == ENOENT) return IniDocument();
    return document;
}

// Not ours to write: no error, the admin keeps the file as it is.
bool mayNotWrite(int error) { return error == EACCES || error == EPERM || error == EROFS; }

IniDocument readOrReport(const std::string& path) {
    auto document = readDocument(path);
    if (document.ok()) return document.take();
    log::warning("cannot read the settings in " + path + ": " + readFailureText(document.error(), path) +
                 "; using defaults");
    return IniDocument();
}

int writeWhole(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        done += static_cast<size_t>(n);
    }
    return 0;
}

// Beside the file and renamed over it, so that a crash never leaves half a
// file; in place when the directory does not let us create the copy.
int replaceFile(const std::string& path, const std::string& text) {
    std::error_code ignored;
    const std::filesystem::path target(path);
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ignored);
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    const mode_t mode = exists ? (existing.st_mode & 07777) : 0644;

    const std::string temporary = path + ".new-" + std::to_string(::getpid());
    UniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (!fd) {
        if (!exists || (errno != EACCES && errno != EPERM)) return errno;
        UniqueFd inPlace(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
        if (!inPlace) return errno;
        return writeWhole(inPlace.get(), text);
    }
    int error = writeWhole(fd.get(), text);
    if (error == 0 && ::fsync(fd.get()) != 0) error = errno;
    fd.reset();
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(temporary.c_str());
    return error;
}

}  // namespace

std::string readFailureText(int error, const std::string& path) {
    if (error != NOT_A_REGULAR_FILE) return errorText(error);
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return "not a regular file";
    if (S_ISDIR(status.st_mode)) return "not a regular file (a directory)";
    if (S_ISFIFO(status.st_mode)) return "not a regular file (a FIFO)";
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return "not a regular file (a device)";
    if (S_ISSOCK(status.st_mode)) return "not a regular file (a socket)";
    return "not a regular file";
}

SysResult<IniDocument> readIniFile(const std::string& path) {
    // Non-blocking: opening a FIFO must not wait for a writer.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd) return SysResult<IniDocument>::failure(errno);
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) return SysResult<IniDocument>::failure(errno);
    if (!S_ISREG(status.st_mode)) return SysResult<IniDocument>::failure(NOT_A_REGULAR_FILE);
    std::string text;
    std::array<char, 4096> chunk;
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return SysResult<IniDocument>::failure(errno);
        if (n == 0) return IniDocument(text);
        text.append(chunk.data(), static_cast<size_t>(n));
        if (text.size() > kMaxSettingsFileBytes) return SysResult<IniDocument>::failure(EFBIG);
    }
}

IniSettingsStore::IniSettingsStore(std::string path, Access access)
    : path_(std::move(path)),
      access_(access),
      document_(readOrReport(path_)) {}

std::optional<std::string> IniSettingsStore::readString(const std::string& section, const std::string& key) {
    return document_.value(section, key);
}

int IniSettingsStore::readInt(const std::string& section, const std::string& key, int fallback) {
    const auto text = readString(section, key);
    if (!text) return fallback;
    if (const auto value = parseIniInt(*text)) return *value;
    log::warning("setting " + section + "/" + key + " in " + path_ + " is not a number (\"" + *text + "\"): using " +
                 std::to_string(fallback));
    return fallback;
}

bool IniSettingsStore::writeInt(const std::string& section, const std::string& key, int value) {
    if (access_ == Access::ReadOnly) return false;
    auto read = readDocument(path_);
    if (!read.ok()) {
        log::warning("cannot read " + path_ + " (" + readFailureText(read.error(), path_) + "): " + section + "/" +
                     key + " not written");
        return false;
    }
    IniDocument onDisk = read.take();
    if (onDisk.setInt(section, key, value)) {
        if (const int error = replaceFile(path_, onDisk.text()); error != 0) {
            if (mayNotWrite(error)) {
                log::debug(section + "/" + key + " not written: " + path_ + ": " + errorText(error));
                return false;
            }
            log::warning("cannot write " + section + "/" + key + "=" + std::to_string(value) + " to " + path_ + ": " +
                         errorText(error));
            return false;
        }
    }
    document_ = std::move(onDisk);
    return true;
}

}  // namespace lintor
