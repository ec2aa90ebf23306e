#include "platform/ini_document.h"

#include <algorithm>
#include <charconv>

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
            inSection = sameIniName(*name, section);
            if (inSection) where.insertAt = i + 1;
            continue;
        }
        if (!inSection) continue;
        const auto entry = entryOf(lines[i]);
        if (!entry) continue;
        where.insertAt = i + 1;
        if (sameIniName(entry->key, key)) {
            where.entry = i;
            return where;
        }
    }
    return where;
}

}  // namespace

namespace {

char folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool sameIniName(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return folded(x) == folded(y); });
}

std::string foldedIniName(std::string_view name) {
    std::string text(name);
    std::ranges::transform(text, text.begin(), folded);
    return text;
}

std::optional<int> parseIniInt(std::string_view text) {
    int value = 0;
    if (text.starts_with('+')) text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

IniDocument::IniDocument(std::string_view text) {
    // Editors on Windows start UTF-8 files with a byte order mark; it is
    // kept for the write-back, but is no part of the first line.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) {
        byteOrderMark_ = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    while (!text.empty()) {
        const size_t end = text.find('\n');
        lines_.emplace_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
}

std::optional<std::string> IniDocument::value(std::string_view section, std::string_view key) const {
    const Location where = locate(lines_, section, key);
    if (!where.entry) return std::nullopt;
    return std::string(entryOf(lines_[*where.entry])->value);
}

IniContents IniDocument::contents() const {
    IniContents contents;
    std::string section;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (const auto name = sectionName(lines_[i])) {
            section = std::string(*name);
        } else if (const auto entry = entryOf(lines_[i])) {
            contents.entries.push_back({section, std::string(entry->key), std::string(entry->value), i + 1});
        } else if (const std::string_view text = trimmed(withoutLineEnd(lines_[i]));
                   !text.empty() && !isComment(text)) {
            contents.unreadableLines.push_back(i + 1);
        }
    }
    return contents;
}

bool IniDocument::setInt(std::string_view section, std::string_view key, int value) {
    const std::string text = std::to_string(value);
    const std::string lineEnd = !lines_.empty() && lines_.front().ends_with('\r') ? "\r" : "";
    const Location where = locate(lines_, section, key);
    if (where.entry) {
        const Entry entry = *entryOf(lines_[*where.entry]);
        if (parseIniInt(entry.value) == value) return false;
        lines_[*where.entry] = lines_[*where.entry].substr(0, entry.valueAt) + text + lineEnd;
        return true;
    }
    const std::string line = std::string(key) + "=" + text + lineEnd;
    if (where.insertAt) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*where.insertAt), line);
        return true;
    }
    if (!lines_.empty() && !trimmed(withoutLineEnd(lines_.back())).empty()) lines_.push_back(lineEnd);
    lines_.push_back("[" + std::string(section) + "]" + lineEnd);
    lines_.push_back(line);
    return true;
}

std::string IniDocument::text() const {
    std::string out = byteOrderMark_ ? "\xEF\xBB\xBF" : "";
    for (const std::string& line : lines_) out += line + "\n";
    return out;
}

}  // namespace lintor
