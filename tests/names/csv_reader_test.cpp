// Splitting text into rows and fields.
#include "names/csv_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace lintor::names {
namespace {

// "1:[a|b] 3:[c]": each row's line and its fields.
std::string rows(std::string_view text, char separator = ';') {
    CsvReader reader(text, separator);
    std::string out;
    while (const auto row = reader.next()) {
        if (!out.empty()) out += ' ';
        out += std::to_string(row->line) + ":[";
        for (size_t i = 0; i < row->fields.size(); ++i) out += (i > 0 ? "|" : "") + row->fields[i];
        out += ']';
    }
    if (reader.error()) out += " error " + std::to_string(reader.error()->line) + ": " + reader.error()->message;
    return out;
}

TEST(CsvReader, SplitsFieldsAndRows) {
    struct Case {
        const char* name;
        std::string_view text;
        char separator;
        std::string rows;
    };
    for (const Case& c : {
             Case{"CRLF and LF", "a;b\r\nc;d\n", ';', "1:[a|b] 2:[c|d]"},
             Case{"separator and doubled quotes in quotes", R"("a;b";"say ""hi""")", ';', R"(1:[a;b|say "hi"])"},
             Case{"line breaks in quotes", "\"two\r\nlines\";x\ny", ';', "1:[two\r\nlines|x] 3:[y]"},
             Case{"blank lines skipped", "\n\n  \r\na\n", ';', "4:[a]"},
             Case{"comment lines skipped", "# a;b\n  #c\na\n", ';', "3:[a]"},
             Case{"empty fields", ";;", ';', "1:[||]"},
             Case{"spaces before a quote", "a; \"b;c\" ;d", ';', "1:[a|b;c |d]"},
             Case{"spaces kept in unquoted fields", " a ;b", ';', "1:[ a |b]"},
             Case{"text after a closing quote", "\"ab\"cd;e", ';', "1:[abcd|e]"},
             Case{"quote inside an unquoted field", "a\"b;c", ';', "1:[a\"b|c]"},
             Case{"tab separated", "a\tb,c\t\"d\te\"", '\t', "1:[a|b,c|d\te]"},
             Case{"no line end at the end", "a\nb", ';', "1:[a] 2:[b]"},
             Case{"quote opens and stays open", "a\n\"b;c\nd\n", ';',
                  "1:[a] error 2: a quoted field is still open "
                  "at the end of the file"},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rows(c.text, c.separator), c.rows);
    }
}

TEST(CsvReader, SeparatorIsTheFirstOutsideQuotes) {
    struct Case {
        const char* name;
        std::string_view text;
        char separator;
    };
    for (const Case& c : {
             Case{"semicolon", R"("Group name";"Address")", ';'},
             Case{"comma after a quoted semicolon", R"("a;b","c")", ','},
             Case{"tab before a comma", "1/2/3\tKitchen, left", '\t'},
             Case{"after comments and blank lines", "# a,b\n\n1/2/3\tx", '\t'},
             Case{"quoted line break", "\"a\nb,c\";d", ';'},
             Case{"none", "abc\nd,e", ';'},
             Case{"empty", "", ';'},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(detectSeparator(c.text), c.separator);
    }
}

}  // namespace
}  // namespace lintor::names
