// lintor-tool: a bus monitor, group reads and writes, and device management through lintord.

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

#include "tools/lintor-tool/commands.h"
#include "tools/lintor-tool/exit_status.h"

namespace lintor::tool {
namespace {

// Larger than any export ETS writes. Read in pieces, so that a pipe or
// /dev/stdin serves as well as a file and nothing endless fills memory.
constexpr size_t kLargestNamesFile = size_t{16} * 1024 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::optional<std::string> namesFileText(const std::string& path) {
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rbe"));
    if (!file) {
        std::fprintf(stderr, "lintor-tool: cannot read names file %s: %s\n", path.c_str(), std::strerror(errno));
        return std::nullopt;
    }
    std::string text;
    std::array<char, 65536> piece{};
    while (text.size() <= kLargestNamesFile) {
        const size_t got = std::fread(piece.data(), 1, piece.size(), file.get());
        text.append(piece.data(), got);
        if (got < piece.size()) break;
    }
    if (std::ferror(file.get())) {
        std::fprintf(stderr, "lintor-tool: cannot read names file %s: %s\n", path.c_str(), std::strerror(errno));
        return std::nullopt;
    }
    if (text.size() > kLargestNamesFile) {
        std::fprintf(stderr, "lintor-tool: names file %s is larger than 16 MiB\n", path.c_str());
        return std::nullopt;
    }
    return text;
}

std::optional<GroupNames> loadNames(const std::string& path) {
    if (path.empty()) return GroupNames{};
    const auto text = namesFileText(path);
    if (!text) return std::nullopt;
    auto read = GroupNames::read(*text, path);
    if (const auto* failure = std::get_if<GroupNames::Failure>(&read)) {
        std::fprintf(stderr, "lintor-tool: %s\n", failure->message.c_str());
        return std::nullopt;
    }
    auto& loaded = std::get<GroupNames::Loaded>(read);
    for (const std::string& warning : loaded.warnings) std::fprintf(stderr, "lintor-tool: %s\n", warning.c_str());
    return std::move(loaded.names);
}

int run(const ToolContext& context) {
    switch (context.options.command) {
    case Command::Monitor:
        return runMonitor(context);
    case Command::Write:
        return runWrite(context);
    case Command::Read:
        return runRead(context);
    case Command::Watch:
        return runWatch(context);
    case Command::Devices:
        return runDevices(context);
    case Command::Info:
        return runInfo(context);
    case Command::Progmode:
        return runProgmode(context);
    case Command::SetAddress:
        return runSetAddress(context);
    }
    return EXIT_USAGE;
}

}  // namespace
}  // namespace lintor::tool

int main(int argc, char** argv) {
    using namespace lintor::tool;
    try {
        const auto parsed = parseToolArguments(std::span<const char* const>(argv + 1, static_cast<size_t>(argc - 1)));
        if (const auto* message = std::get_if<ToolMessage>(&parsed)) {
            std::fputs(message->text.c_str(), message->error ? stderr : stdout);
            return message->error ? EXIT_USAGE : EXIT_OK;
        }
        const auto& options = std::get<ToolOptions>(parsed);
        const auto names = loadNames(options.namesFile);
        if (!names) return EXIT_USAGE;
        return run(ToolContext{options, *names, stdout, stderr});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lintor-tool: %s\n", e.what());
        return EXIT_FAILED;
    }
}
