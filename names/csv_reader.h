#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lintor::names {

struct CsvRow {
    size_t line = 0;  // where the row begins, counted from 1
    std::vector<std::string> fields;
};

struct CsvError {
    size_t line = 0;
    std::string message;
};

// Whether every field is empty but for spaces.
bool isBlankRow(const CsvRow& row);

// The first ';', ',' or tab outside quotes on the first line that is neither
// blank nor a comment; ';' when that line has none.
char detectSeparator(std::string_view text);

// Splits text into rows of fields. A field quoted with '"' (doubled for a
// quote inside) may hold the separator and line breaks; lines end in LF or
// CRLF. Blank lines are skipped, and so are lines beginning with '#' until
// keepCommentLines().
class CsvReader {
public:
    static constexpr size_t kMaxFields = 64;

    CsvReader(std::string_view text, char separator) : text_(text), separator_(separator) {}

    // Nothing at the end of the text, or once there is an error.
    std::optional<CsvRow> next();
    const std::optional<CsvError>& error() const { return error_; }

    void keepCommentLines() { skipComments_ = false; }

private:
    void skipIgnoredLines();
    bool readField(std::string& field);
    bool readQuoted(std::string& field);
    void readUnquoted(std::string& field);
    bool isPadding(char c) const { return c == ' ' || (c == '\t' && separator_ != '\t'); }

    std::string_view text_;
    char separator_;
    size_t at_ = 0;
    size_t line_ = 1;
    bool skipComments_ = true;
    std::optional<CsvError> error_;
};

}  // namespace lintor::names
