#include "app/gateway_app.h"

#include <gtest/gtest.h>

#include "tests/support/temporary_dir.h"

#include <fstream>
#include <optional>

namespace lintor {
namespace {

// A window that only records what it was asked to show.
class RecordingWindow final : public WindowShell {
public:
    explicit RecordingWindow(bool display) : display_(display) {}
    bool displayAvailable() override { return display_; }
    int run(int&, char**, GatewaySession&) override { return 0; }
    void showRefusal(int&, char**, const std::string& text) override { refusal = text; }

    std::optional<std::string> refusal;

private:
    bool display_;
};

int runDesktop(RecordingWindow& window, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "lintor");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    return GatewayApp(Program::Desktop, &window).run(static_cast<int>(argv.size()), argv.data());
}

TEST(GatewayApp, DesktopRefusalIsShownInAWindowWhereThereIsADisplay) {
    test::TemporaryDir dir;
    const std::string path = dir.path() + "/Lintor.conf";
    std::ofstream(path) << "[gateway]\nPort=57x\n";
    struct Case {
        const char* name;
        bool display;
        std::vector<std::string> arguments;
        int status;
        std::optional<std::string> refusal;
    };
    for (const Case& c : {
             Case{"a bad value",
                  true,
                  {"--config", path},
                  1,
                  "lintor cannot start:\n\n" + path + ":2: invalid port for [gateway] Port: 57x"},
             Case{"a command-line mistake",
                  true,
                  {"--bogus"},
                  2,
                  "lintor cannot start:\n\nunknown option: --bogus\n\nlintor --help lists the options."},
             Case{"no display", false, {"--config", path}, 1, std::nullopt},
             Case{"headless", true, {"--headless", "--config", path}, 1, std::nullopt},
             Case{"headless, among mistakes", true, {"--headless", "--bogus"}, 2, std::nullopt},
         }) {
        SCOPED_TRACE(c.name);
        RecordingWindow window(c.display);
        EXPECT_EQ(runDesktop(window, c.arguments), c.status);
        EXPECT_EQ(window.refusal, c.refusal);
    }
}

}  // namespace
}  // namespace lintor
