// What a person hands the gateway at start-up: the command line and the
// settings file.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/configuration.h"
#include "app/device_setting.h"
#include "platform/ini_document.h"
#include "platform/ini_settings_store.h"
#include "platform/line_writer.h"
#include "platform/log.h"
#include "platform/unique_fd.h"
#include "tests/fuzz/fuzz_targets.h"

namespace lintor::fuzz {
namespace {

std::string_view textOf(std::span<const uint8_t> data) {
    return {reinterpret_cast<const char*>(data.data()), data.size()};
}

// Arguments as argv holds them, split at NUL bytes. Each lives in an
// allocation of its exact size, so that reading past one's end is caught
// instead of landing in the next.
class Arguments {
public:
    explicit Arguments(std::string_view text) {
        if (text.empty()) return;
        for (;;) {
            const size_t end = std::min(text.find('\0'), text.size());
            add(text.substr(0, end));
            if (end == text.size()) return;
            text.remove_prefix(end + 1);
        }
    }

    std::span<const std::string_view> views() const { return views_; }
    bool anyContains(std::string_view part) const {
        return std::ranges::any_of(views_, [&](std::string_view a) { return a.find(part) != std::string_view::npos; });
    }
    size_t longest() const {
        size_t n = 0;
        for (const std::string_view a : views_) n = std::max(n, a.size());
        return n;
    }

private:
    void add(std::string_view argument) {
        auto copy = std::make_unique<char[]>(argument.size());
        std::ranges::copy(argument, copy.get());
        views_.emplace_back(copy.get(), argument.size());
        storage_.push_back(std::move(copy));
    }

    std::vector<std::unique_ptr<char[]>> storage_;
    std::vector<std::string_view> views_;
};

// A settings file in memory, opened by its path like any other file, so
// that the real file store reads it and nothing is left on disk.
class MemoryFile {
public:
    MemoryFile() : fd_(::memfd_create("lintor-settings", MFD_CLOEXEC)) { require(fd_.valid(), "memfd_create"); }

    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_.get()); }
    void assign(std::string_view text) {
        require(::ftruncate(fd_.get(), 0) == 0, "truncate the settings file");
        require(::pwrite(fd_.get(), text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()),
                "write the settings file");
    }

private:
    UniqueFd fd_;
};

// Log lines are kept, so the target sees what the user would be told.
class CollectedLines final : public LineSink {
public:
    void writeLine(std::string_view line) override { lines_.emplace_back(line); }
    bool anyStartsWith(std::string_view prefix) const {
        return std::ranges::any_of(lines_, [&](const std::string& l) { return l.starts_with(prefix); });
    }

private:
    std::vector<std::string> lines_;
};

DeviceSetting readFile(MemoryFile& file, std::string_view text, const std::string& commandLineDevice) {
    file.assign(text);
    IniSettingsStore store(file.path());
    return readDeviceSetting(store, commandLineDevice);
}

}  // namespace

void commandLine(std::span<const uint8_t> data) {
    const Arguments arguments(textOf(data));
    const ParsedCommandLine parsed = parseCommandLine(arguments.views());
    require(parseCommandLine(arguments.views()).error == parsed.error, "the same arguments get the same verdict");
    require(parsed.error.size() <= 200 + 2 * arguments.longest(), "an error quotes no more than it was given");

    const std::string settingsPath = arguments.views().empty() ? "" : std::string(arguments.views().back());
    require(usageText(settingsPath).find(settingsPath) != std::string::npos, "the help names the settings file");
    require(!versionText().empty(), "there is a version text");
    if (!parsed.error.empty()) return;

    const Options defaults;
    const Options& options = parsed.options;
    const GatewayConfig& gateway = options.gateway;
    if (arguments.views().empty()) {
        require(gateway.device.empty() && options.configFile.empty() && gateway.gatewayAddress().empty() &&
                    gateway.proxyAddress().empty(),
                "no arguments leave every text empty");
        require(gateway.gatewayPort == defaults.gateway.gatewayPort &&
                    gateway.proxyPort == defaults.gateway.proxyPort && gateway.proxyEnabled,
                "no arguments keep the default ports");
        require(!options.headless && !options.simulate && !options.stats && !options.version && !options.help &&
                    options.logLevel == defaults.logLevel,
                "no arguments set no flag");
    } else {
        require(arguments.views().front().starts_with('-'), "a command line starts with an option");
    }
    for (const std::string* text :
         {&gateway.device, &options.configFile, &gateway.gatewayAddress(), &gateway.proxyAddress()}) {
        require(text->empty() || arguments.anyContains(*text), "a text setting comes from an argument");
    }
    require(gateway.gatewayPort == defaults.gateway.gatewayPort ||
                arguments.anyContains(std::to_string(gateway.gatewayPort)),
            "the gateway port comes from an argument");
    require(gateway.proxyPort == defaults.gateway.proxyPort || arguments.anyContains(std::to_string(gateway.proxyPort)),
            "the proxy port comes from an argument");
    require(!options.simulate || gateway.device.empty(), "a simulated BCU is the only device");
    // Two requests for a free port (0) can never get the same one.
    require(!gateway.proxyEnabled || gateway.gatewayPort == 0 || gateway.gatewayPort != gateway.proxyPort,
            "the two servers never share a port");
}

void settingsReader(std::span<const uint8_t> data) {
    // The settings text, then after a NUL the device the command line names.
    const std::string_view input = textOf(data);
    const size_t split = std::min(input.find('\0'), input.size());
    const std::string_view text = input.substr(0, split);
    const std::string commandLineDevice(input.substr(std::min(split + 1, input.size())));

    CollectedLines lines;
    log::Logger logger(lines, log::Style::Journal, log::Level::Debug);
    const log::Installation installed(logger);
    static MemoryFile file;
    const DeviceSetting setting = readFile(file, text, "");

    // What the file says, read line by line without the store.
    const IniDocument document(text);
    const auto comPortText = document.value(SETTINGS_SECTION, SETTING_COM_PORT);
    const auto deviceText = document.value(SETTINGS_SECTION, SETTING_DEVICE);
    const int comPort = comPortText ? parseIniInt(*comPortText).value_or(DEFAULT_COM_PORT) : DEFAULT_COM_PORT;
    require(setting.comPort == comPort, "ComPort is the file's number, else the default");
    if (deviceText && !deviceText->empty()) {
        require(setting.device == *deviceText, "Device names the device");
    } else if (comPort > 0) {
        require(setting.device == "/dev/ttyS" + std::to_string(comPort - 1), "COM n is /dev/ttyS<n-1>");
    } else {
        require(setting.device.empty(), "a ComPort that names no device gives none");
        require(lines.anyStartsWith(log::formatLine(log::Style::Journal, log::Level::Error, "")),
                "the user is told that no device is named");
    }

    const DeviceSetting overridden = readFile(file, text, commandLineDevice);
    require(overridden.comPort == comPort, "the command line leaves ComPort alone");
    require(overridden.device == (commandLineDevice.empty() ? setting.device : commandLineDevice),
            "the command line's device wins");

    // At shutdown ComPort is written back; the next start must find the same device.
    IniDocument written = document;
    written.setInt(SETTINGS_SECTION, SETTING_COM_PORT, setting.comPort);
    const DeviceSetting next = readFile(file, written.text(), "");
    require(next.comPort == setting.comPort && next.device == setting.device, "writing ComPort back changes nothing");
}

}  // namespace lintor::fuzz

namespace lintor::fuzz {

void configurationFile(std::span<const uint8_t> data) {
    const std::string_view text = textOf(data);
    static MemoryFile file;
    file.assign(text);
    const std::string path = file.path();
    const std::vector<std::string_view> plain{"--config", path};
    const Configuration loaded = loadConfiguration(Program::Daemon, plain, {});
    const size_t lineCount = static_cast<size_t>(std::ranges::count(text, '\n')) + 1;
    for (const ConfigProblem& problem : loaded.problems) {
        require(problem.text.starts_with(path + ":") || problem.text.starts_with("--gateway-port and --proxy-port"),
                "a problem names the file and line, or the two ports");
        if (!problem.text.starts_with(path + ":")) continue;
        const std::string_view rest = std::string_view(problem.text).substr(path.size() + 1);
        const auto line = parseIniInt(rest.substr(0, rest.find(':')));
        require(line && *line >= 1 && static_cast<size_t>(*line) <= lineCount, "the line is one of the file's");
    }
    require(loadConfiguration(Program::Daemon, plain, {}).problems.size() == loaded.problems.size(),
            "the same file gets the same verdict");

    // The command line wins over whatever the file says.
    const std::vector<std::string_view> overriding{"--config",     path,  "--gateway-port", "6001",
                                                   "--proxy-port", "off", "--log-level",    "error"};
    const Configuration overridden = loadConfiguration(Program::Daemon, overriding, {});
    const auto fileProblems = [&](const Configuration& c) {
        return std::ranges::count_if(c.problems, [&](const ConfigProblem& p) { return p.text.starts_with(path); });
    };
    require(fileProblems(overridden) == fileProblems(loaded), "overriding hides no problem of the file");
    if (!overridden.usable()) return;
    const Options& options = overridden.options;
    require(
        options.gateway.gatewayPort == 6001 && !options.gateway.proxyEnabled && options.logLevel == log::Level::Error,
        "the command line's values are the ones used");
}

}  // namespace lintor::fuzz
