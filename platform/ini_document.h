#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lintor {

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
    // False, with nothing changed, when the key already holds the number.
    bool setInt(std::string_view section, std::string_view key, int value);
    // Every line ends with a line feed.
    std::string text() const;

private:
    std::vector<std::string> lines_;
};

// A whole decimal number, optionally signed.
std::optional<int> parseIniInt(std::string_view text);

}  // namespace lintor
