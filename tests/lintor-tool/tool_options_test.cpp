#include "tools/lintor-tool/tool_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lintor::tool {
namespace {

std::variant<ToolOptions, ToolMessage> parse(std::vector<const char*> words) { return parseToolArguments(words); }

ToolOptions options(std::vector<const char*> words) {
    auto parsed = parse(std::move(words));
    if (auto* message = std::get_if<ToolMessage>(&parsed)) ADD_FAILURE() << message->text;
    return std::get<ToolOptions>(parsed);
}

std::string mistake(std::vector<const char*> words) {
    auto parsed = parse(std::move(words));
    if (!std::holds_alternative<ToolMessage>(parsed)) return "(accepted)";
    const ToolMessage& message = std::get<ToolMessage>(parsed);
    EXPECT_TRUE(message.error);
    return message.text.substr(0, message.text.find('\n'));
}

TEST(ToolOptions, CommandsWithTheirArgumentsAndOptionsInAnyOrder) {
    const ToolOptions write = options({"write", "--dpt", "9.001", "Living room", "-3.5", "--port=6000"});
    EXPECT_EQ(write.command, Command::Write);
    EXPECT_EQ(write.arguments, (std::vector<std::string>{"Living room", "-3.5"}));
    EXPECT_EQ(write.type, (dpt::DatapointType{9, 1}));
    EXPECT_EQ(write.portOrDefault(), 6000);

    const ToolOptions read = options({"--host", "gateway.local", "read", "1/2/3", "--timeout", "0.5"});
    EXPECT_EQ(read.command, Command::Read);
    EXPECT_EQ(read.host, "gateway.local");
    EXPECT_EQ(read.timeout, std::chrono::milliseconds{500});
    EXPECT_EQ(read.portOrDefault(), DEFAULT_GATEWAY_PORT);

    EXPECT_EQ(options({"watch"}).portOrDefault(), DEFAULT_PROXY_PORT);
    const ToolOptions devices = options({"devices", "1.1.", "--json", "--timeout", "0.2"});
    EXPECT_EQ(devices.command, Command::Devices);
    EXPECT_EQ(devices.arguments, (std::vector<std::string>{"1.1."}));
    EXPECT_EQ(devices.portOrDefault(), DEFAULT_GATEWAY_PORT);
    EXPECT_EQ(options({"progmode"}).command, Command::Progmode);
    EXPECT_EQ(options({"set-address", "1.1.7"}).command, Command::SetAddress);
    EXPECT_EQ(options({"monitor", "--names", "ets.csv"}).namesFile, "ets.csv");
    // After "--" a value may start with dashes.
    EXPECT_EQ(options({"write", "1/2/3", "--", "--x"}).arguments.at(1), "--x");
}

TEST(ToolOptions, MistakesSayWhatIsWrong) {
    EXPECT_EQ(mistake({}),
              "lintor-tool: no command given (monitor, write, read, watch, devices, info, progmode or set-address)");
    EXPECT_EQ(mistake({"monitr"}), "lintor-tool: unknown command \"monitr\"");
    EXPECT_EQ(mistake({"write", "1/2/3"}), "lintor-tool write: give a group address and a value");
    EXPECT_EQ(mistake({"read"}), "lintor-tool read: give a group address");
    EXPECT_EQ(mistake({"read", "1/2/3", "1/2/4"}), "lintor-tool: unexpected \"1/2/4\"");
    EXPECT_EQ(mistake({"monitor", "--port", "0"}), "lintor-tool: --port \"0\" is not a port number (1 to 65535)");
    EXPECT_EQ(mistake({"monitor", "--port", "65536"}),
              "lintor-tool: --port \"65536\" is not a port number (1 to 65535)");
    EXPECT_EQ(mistake({"read", "1/2/3", "--dpt", "temperature"}),
              "lintor-tool: --dpt \"temperature\" is not a datapoint type (such as 1.001, 9.001 or DPST-9-1)");
    EXPECT_EQ(mistake({"read", "1/2/3", "--timeout", "-1"}),
              "lintor-tool: --timeout \"-1\" is not a number of seconds (0.001 to 3600)");
    EXPECT_EQ(mistake({"read", "1/2/3", "--timeout", "0.0001"}),
              "lintor-tool: --timeout \"0.0001\" is not a number of seconds (0.001 to 3600)");
    EXPECT_EQ(mistake({"monitor", "--dpt", "9.001"}), "lintor-tool monitor: --dpt is for write and read");
    EXPECT_EQ(mistake({"watch", "--timeout", "1"}),
              "lintor-tool watch: --timeout is for write, read, devices, info, progmode and set-address");
    EXPECT_EQ(mistake({"write", "1/2/3", "1", "--json"}),
              "lintor-tool write: --json is for monitor, read, watch, devices, info and progmode");
    EXPECT_EQ(mistake({"set-address", "1.1.7", "--json"}),
              "lintor-tool set-address: --json is for monitor, read, watch, devices, info and progmode");
    EXPECT_EQ(mistake({"devices", "1.1", "--names", "ets.csv"}),
              "lintor-tool devices: --names is for monitor, write, read and watch");
    EXPECT_EQ(mistake({"devices"}), "lintor-tool devices: give a line, such as 1.1");
    EXPECT_EQ(mistake({"set-address"}), "lintor-tool set-address: give the new individual address, such as 1.1.7");
    EXPECT_EQ(mistake({"monitor", "--names"}), "lintor-tool: --names needs a value");
    EXPECT_EQ(mistake({"monitor", "--colour"}), "lintor-tool: unknown option --colour");
}

TEST(ToolOptions, HelpAndVersionAreNoMistakes) {
    for (const char* word : {"--help", "-h", "--version"}) {
        SCOPED_TRACE(word);
        auto parsed = parse({"monitor", word});
        ASSERT_TRUE(std::holds_alternative<ToolMessage>(parsed));
        EXPECT_FALSE(std::get<ToolMessage>(parsed).error);
        EXPECT_NE(std::get<ToolMessage>(parsed).text.find("lintor-tool"), std::string::npos);
    }
}

}  // namespace
}  // namespace lintor::tool
