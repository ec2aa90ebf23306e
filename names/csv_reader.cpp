#include "names/csv_reader.h"

#include <algorithm>

namespace lintor::names {
namespace {

constexpr char kQuote = '"';

bool isIgnoredLine(std::string_view line, bool skipComments) {
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return true;
    return skipComments && line[first] == '#';
}

// Where the line beginning at `at` ends: at its '\n' or at the end of text.
size_t lineEnd(std::string_view text, size_t at) { return std::min(text.find('\n', at), text.size()); }

}  // namespace

char detectSeparator(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && isIgnoredLine(text.substr(at, lineEnd(text, at) - at), true)) {
        at = lineEnd(text, at) + 1;
    }
    bool quoted = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == kQuote) quoted = !quoted;
        if (quoted) continue;
        if (c == '\n') break;
        if (c == ';' || c == ',' || c == '\t') return c;
    }
    return ';';
}

bool isBlankRow(const CsvRow& row) {
    return std::ranges::all_of(
        row.fields, [](const std::string& field) { return field.find_first_not_of(" \t\r\n") == std::string::npos; });
}

std::optional<CsvRow> CsvReader::next() {
    if (error_) return std::nullopt;
    skipIgnoredLines();
    if (at_ >= text_.size()) return std::nullopt;
    CsvRow row{line_, {}};
    while (true) {
        if (row.fields.size() == kMaxFields) {
            error_ = CsvError{row.line, "more than " + std::to_string(kMaxFields) + " fields in a row"};
            return std::nullopt;
        }
        if (!readField(row.fields.emplace_back())) return std::nullopt;
        if (at_ < text_.size() && text_[at_] == separator_) {
            ++at_;
            continue;
        }
        if (at_ < text_.size()) {  // at the '\n' that readUnquoted stopped at
            ++at_;
            ++line_;
        }
        return row;
    }
}

void CsvReader::skipIgnoredLines() {
    while (at_ < text_.size()) {
        const size_t end = lineEnd(text_, at_);
        if (!isIgnoredLine(text_.substr(at_, end - at_), skipComments_)) return;
        at_ = end + 1;
        ++line_;
    }
}

bool CsvReader::readField(std::string& field) {
    size_t start = at_;
    while (start < text_.size() && isPadding(text_[start])) ++start;
    if (start < text_.size() && text_[start] == kQuote) {
        at_ = start + 1;
        if (!readQuoted(field)) return false;
    }
    readUnquoted(field);
    return true;
}

bool CsvReader::readQuoted(std::string& field) {
    const size_t openedOn = line_;
    while (true) {
        const size_t quote = text_.find(kQuote, at_);
        if (quote == std::string_view::npos) {
            error_ = CsvError{openedOn, "a quoted field is still open at the end of the file"};
            return false;
        }
        const std::string_view piece = text_.substr(at_, quote - at_);
        line_ += static_cast<size_t>(std::count(piece.begin(), piece.end(), '\n'));
        field.append(piece);
        at_ = quote + 1;
        if (at_ >= text_.size() || text_[at_] != kQuote) return true;
        field += kQuote;
        ++at_;
    }
}

// Up to the separator or the end of the line; after a closing quote, the
// stray text that follows it is kept.
void CsvReader::readUnquoted(std::string& field) {
    const size_t start = at_;
    while (at_ < text_.size() && text_[at_] != separator_ && text_[at_] != '\n') ++at_;
    std::string_view piece = text_.substr(start, at_ - start);
    const bool atLineEnd = at_ >= text_.size() || text_[at_] == '\n';
    if (atLineEnd && piece.ends_with('\r')) piece.remove_suffix(1);
    field.append(piece);
}

}  // namespace lintor::names
