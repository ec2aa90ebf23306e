#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lintor {

// One "key=value" line under the section it belongs to ("" before the first
// section); lines count from 1.
struct IniEntry {
    std::string section;
    std::string key;
    std::string value;
    size_t line = 0;
};

// Everything a file says, for checking it as a whole: its entries in order,
// and the lines that are neither entry, section, comment nor blank.
struct IniContents {
    std::vector<IniEntry> entries;
    std::vector<size_t> unreadableLines;
};

// The text of an INI file, line by line. Sections and keys match whatever
// their case ("[Settings]", "comport=5"), as on the platform the settings
// come from; the first match counts. Values are taken as they stand, without
// inline comments; surrounding blanks and one pair of double quotes are
// dropped. A change touches only the line of its key, or adds one, and keeps
// comments, order and line ends.
class IniDocument {
public:
    explicit IniDocument(std::string_view text = {});

    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    IniContents contents() const;
    // False, with nothing changed, when the key already holds the number.
    bool setInt(std::string_view section, std::string_view key, int value);
    // Every line ends with a line feed.
    std::string text() const;

private:
    std::vector<std::string> lines_;
    bool byteOrderMark_ = false;
};

// A whole decimal number, optionally signed.
std::optional<int> parseIniInt(std::string_view text);
// Names of sections and keys match whatever their case.
bool sameIniName(std::string_view a, std::string_view b);
// The name as every spelling of it folds to ("comport" for "ComPort").
std::string foldedIniName(std::string_view name);

}  // namespace lintor
