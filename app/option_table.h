#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/option_reader.h"

namespace lintor {

// What the options gather before the configuration is put together.
struct Gathered {
    Options options;
    std::vector<Cidr> allow;
};

// One option: its command-line name and the configuration-file entry that
// sets the same (no section: the command line only).
struct OptionEntry {
    std::string_view name;
    std::string_view section = {};
    std::string_view key = {};
    void (*read)(OptionReader& reader, Gathered& gathered);
    bool desktopOnly = false;        // on the command line; the file may name it for both
    bool list = false;               // a file value holds several, separated by blanks or commas
    std::string_view alsoFrom = {};  // a command-line option that sets this one too

    bool inFile() const { return !section.empty(); }
    // "[gateway] Port", the name under which file values are reported.
    std::string displayName() const;
};

const OptionEntry* findOption(Program program, std::string_view name);
const OptionEntry* findFileEntry(std::string_view section, std::string_view key);

}  // namespace lintor
