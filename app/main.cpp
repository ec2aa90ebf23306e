#include <cstdio>
#include <string_view>
#include <vector>

#include "app/command_line.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const auto parsed = lintor::parseCommandLine(arguments);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "lintor: %s\n%s", parsed.error.c_str(), lintor::usageText().c_str());
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(lintor::usageText().c_str(), stdout);
        return 0;
    }
    if (parsed.options.version) {
        std::fputs(lintor::versionText().c_str(), stdout);
        return 0;
    }
    std::fputs("lintor: the gateway itself is not part of this build yet; see --help\n", stderr);
    return 1;
}
