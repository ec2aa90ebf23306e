#include "platform/ini_settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>

#include "platform/log.h"
#include "platform/sys_result.h"
#include "platform/unique_fd.h"

namespace lintor {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string_view withoutLineEnd(std::string_view line) {
    return line.ends_with('\r') ? line.substr(0, line.size() - 1) : line;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool isComment(std::string_view text) { return text.starts_with(';') || text.starts_with('#'); }

// The name of a "[section]" line.
std::optional<std::string_view> sectionName(std::string_view line) {
    const std::string_view text = trimmed(withoutLineEnd(line));
    if (text.size() < 2 || text.front() != '[' || text.back() != ']') return std::nullopt;
    return trimmed(text.substr(1, text.size() - 2));
}

struct Entry {
    std::string_view key;
    std::string_view value;
    size_t valueAt;  // where the value starts in the line
};

std::optional<Entry> entryOf(std::string_view line) {
    const std::string_view text = withoutLineEnd(line);
    const std::string_view content = trimmed(text);
    if (content.empty() || isComment(content) || content.front() == '[') return std::nullopt;
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const size_t valueAt = std::min(text.find_first_not_of(kBlanks, equals + 1), text.size());
    std::string_view value = trimmed(text.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return Entry{trimmed(text.substr(0, equals)), value, valueAt};
}

struct Location {
    std::optional<size_t> entry;     // the key's line
    std::optional<size_t> insertAt;  // after the section's last entry
};

Location locate(const std::vector<std::string>& lines, std::string_view section, std::string_view key) {
    Location where;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines[i])) {
            if (where.insertAt) break;  // the first matching section only
            inSection = sameName(*name, section);
            if (inSection) where.insertAt = i + 1;
            continue;
        }
        if (!inSection) continue;
        const auto entry = entryOf(lines[i]);
        if (!entry) continue;
        where.insertAt = i + 1;
        if (sameName(entry->key, key)) {
            where.entry = i;
            return where;
        }
    }
    return where;
}

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(std::move(line));
    return lines;
}

std::optional<int> parseInt(std::string_view text) {
    int value = 0;
    if (text.starts_with('+')) text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
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

IniSettingsStore::IniSettingsStore(std::string path) : path_(std::move(path)), lines_(readLines(path_)) {}

std::optional<std::string> IniSettingsStore::readString(const std::string& section, const std::string& key) {
    const Location where = locate(lines_, section, key);
    if (!where.entry) return std::nullopt;
    return std::string(entryOf(lines_[*where.entry])->value);
}

int IniSettingsStore::readInt(const std::string& section, const std::string& key, int fallback) {
    const auto text = readString(section, key);
    if (!text) return fallback;
    if (const auto value = parseInt(*text)) return *value;
    log::warning("setting " + section + "/" + key + " in " + path_ + " is not a number (\"" + *text + "\"): using " +
                 std::to_string(fallback));
    return fallback;
}

bool IniSettingsStore::writeInt(const std::string& section, const std::string& key, int value) {
    std::vector<std::string> lines = readLines(path_);
    const std::string text = std::to_string(value);
    const std::string lineEnd = !lines.empty() && lines.front().ends_with('\r') ? "\r" : "";
    const Location where = locate(lines, section, key);
    if (where.entry) {
        const Entry entry = *entryOf(lines[*where.entry]);
        if (parseInt(entry.value) == value) {
            lines_ = std::move(lines);
            return true;
        }
        lines[*where.entry] = lines[*where.entry].substr(0, entry.valueAt) + text + lineEnd;
    } else if (where.insertAt) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*where.insertAt), key + "=" + text + lineEnd);
    } else {
        if (!lines.empty() && !trimmed(withoutLineEnd(lines.back())).empty()) lines.push_back(lineEnd);
        lines.push_back("[" + section + "]" + lineEnd);
        lines.push_back(key + "=" + text + lineEnd);
    }

    std::string content;
    for (const std::string& line : lines) content += line + "\n";
    if (const int error = replaceFile(path_, content); error != 0) {
        log::warning("cannot write " + section + "/" + key + "=" + text + " to " + path_ + ": " + errorText(error));
        return false;
    }
    lines_ = std::move(lines);
    return true;
}

}  // namespace lintor
