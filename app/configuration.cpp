#include "app/configuration.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <map>

#include "app/device_setting.h"
#include "app/option_table.h"
#include "platform/ini_settings_store.h"

namespace lintor {
namespace {

bool given(const ParsedCommandLine& commandLine, std::string_view name) {
    return !name.empty() && std::ranges::find(commandLine.given, name) != commandLine.given.end();
}

// The pieces of a list value: "10.0.0.0/8, fd00::/8 192.0.2.1".
std::vector<std::string_view> listItems(std::string_view value) {
    std::vector<std::string_view> items;
    constexpr std::string_view separators = " \t,";
    size_t at = value.find_first_not_of(separators);
    while (at != std::string_view::npos) {
        const size_t end = value.find_first_of(separators, at);
        items.push_back(value.substr(at, end == std::string_view::npos ? end : end - at));
        at = value.find_first_not_of(separators, end);
    }
    return items;
}

bool isDeviceSetting(const IniEntry& entry) {
    return sameIniName(entry.section, SETTINGS_SECTION) &&
           (sameIniName(entry.key, SETTING_COM_PORT) || sameIniName(entry.key, SETTING_DEVICE));
}

class FileReader {
public:
    FileReader(Program program, Configuration& configuration, const ParsedCommandLine& commandLine)
        : program_(program),
          configuration_(configuration),
          commandLine_(commandLine) {}

    void apply(const IniDocument& document, Gathered& gathered) {
        const IniContents contents = document.contents();
        for (const size_t line : contents.unreadableLines) {
            report(line, "neither [section] nor key=value", true);
        }
        for (const IniEntry& entry : contents.entries) applyEntry(entry, gathered);
    }

private:
    // A key given twice would leave the admin guessing which one counts.
    bool firstOfItsKey(const IniEntry& entry) {
        const std::string name = foldedIniName(entry.section) + "\n" + foldedIniName(entry.key);
        const auto [first, inserted] = firstLines_.try_emplace(name, entry.line);
        if (inserted) return true;
        report(entry.line, key(entry) + " is given again (first on line " + std::to_string(first->second) + ")",
               !isDeviceSetting(entry));
        return false;
    }

    void applyEntry(const IniEntry& entry, Gathered& gathered) {
        if (!firstOfItsKey(entry)) return;
        // A path with a NUL would be opened cut short at it: another file.
        if (entry.value.find('\0') != std::string::npos) {
            report(entry.line, key(entry) + " has a NUL byte in its value", true);
            return;
        }
        if (isDeviceSetting(entry)) {
            checkDeviceSetting(entry);
            return;
        }
        const OptionEntry* const option = findFileEntry(entry.section, entry.key);
        if (!option) {
            reportUnknown(entry);
            return;
        }
        // The command line wins; the file's value is still checked.
        Gathered scratch;
        const bool overridden = given(commandLine_, option->name) || given(commandLine_, option->alsoFrom);
        Gathered& target = overridden ? scratch : gathered;
        const std::vector<std::string_view> values =
            option->list ? listItems(entry.value) : std::vector<std::string_view>{entry.value};
        for (const std::string_view value : values) {
            OptionReader reader = OptionReader::forEntry(option->displayName(), value);
            option->read(reader, target);
            if (!reader.error().empty()) report(entry.line, reader.error(), true);
        }
    }

    // Read with the device, not as an option; a bad ComPort falls back to 1 as it always did.
    void checkDeviceSetting(const IniEntry& entry) {
        if (sameIniName(entry.key, SETTING_COM_PORT)) {
            const auto number = parseIniInt(entry.value);
            if (!number || devicePathForComPort(*number).empty()) {
                report(entry.line, "[settings] ComPort is not a COM port number from 1 up: " + entry.value, false);
            }
        } else if (entry.value.empty()) {
            report(entry.line, "[settings] Device needs a value (or leave it out)", true);
        }
    }

    // The desktop program's file is shared by its older and newer versions
    // and the user; the daemon's is the admin's, where a misspelt key must
    // not leave the bus open.
    void reportUnknown(const IniEntry& entry) {
        if (program_ == Program::Desktop) {
            report(entry.line, "unknown setting " + key(entry) + ", ignored", false);
            return;
        }
        report(entry.line, "unknown setting " + key(entry), true);
    }

    static std::string key(const IniEntry& entry) {
        return entry.section.empty() ? entry.key + " (before any [section])" : "[" + entry.section + "] " + entry.key;
    }

    void report(size_t line, const std::string& text, bool fatal) {
        configuration_.problems.push_back({configuration_.path + ":" + std::to_string(line) + ": " + text, fatal});
    }

    Program program_;
    Configuration& configuration_;
    const ParsedCommandLine& commandLine_;
    std::map<std::string, size_t> firstLines_;
};

// The file, if there is one to read; an absent default file is no problem,
// and neither is the desktop program's own file before it first exits.
void readFile(Program program, const ParsedCommandLine& commandLine, Configuration& configuration, Gathered& gathered) {
    if (configuration.path.empty()) return;
    auto document = readIniFile(configuration.path);
    if (!document.ok()) {
        const bool mayBeMissing = program == Program::Desktop || commandLine.options.configFile.empty();
        if (document.error() == ENOENT && mayBeMissing) return;
        configuration.problems.push_back(
            {"cannot read " + configuration.path + ": " + readFailureText(document.error(), configuration.path)});
        configuration.fileUnreadable = true;
        return;
    }
    FileReader(program, configuration, commandLine).apply(document.value(), gathered);
}

}  // namespace

bool Configuration::usable() const { return std::ranges::none_of(problems, &ConfigProblem::fatal); }

Configuration loadConfiguration(Program program, std::span<const std::string_view> arguments,
                                const std::string& defaultPath) {
    Configuration configuration;
    const ParsedCommandLine commandLine = parseCommandLine(program, arguments);
    if (!commandLine.error.empty()) {
        configuration.problems.push_back({commandLine.error});
        return configuration;
    }
    configuration.path = commandLine.options.configFile.empty() ? defaultPath : commandLine.options.configFile;

    Gathered gathered;
    readFile(program, commandLine, configuration, gathered);
    // The command line once more, over what the file gave.
    OptionReader reader(arguments);
    while (const auto name = reader.next()) findOption(program, *name)->read(reader, gathered);

    configuration.options = std::move(gathered.options);
    configuration.options.gateway.allow = AddressFilter(std::move(gathered.allow));
    if (std::string mistake = checkCombination(configuration.options); !mistake.empty()) {
        configuration.problems.push_back({std::move(mistake)});
    }
    return configuration;
}

void checkDevice(Configuration& configuration) {
    if (configuration.options.simulate) return;
    const Options& options = configuration.options;
    std::string device = options.gateway.device;
    if (device.empty()) {
        // Said once already.
        if (configuration.fileUnreadable) return;
        IniSettingsStore settings(configuration.path, IniSettingsStore::Access::ReadOnly);
        device = readDeviceSetting(settings, {}).device;
    }
    struct stat status {};
    // Reported with ComPort, or as a NUL in the value.
    if (device.empty() || device.find('\0') != std::string::npos) return;
    if (::stat(device.c_str(), &status) != 0) {
        configuration.problems.push_back({"device " + device + ": " + errorText(errno)});
    } else if (!S_ISCHR(status.st_mode)) {
        configuration.problems.push_back({"device " + device + " is not a character device"});
    }
}

}  // namespace lintor
