#include "tools/bcusim/script_command.h"

#include <gtest/gtest.h>

#include <string>

#include "link/group_address.h"
#include "tests/support/bytes.h"

namespace lintor::bcusim {
namespace {

using test::hex;

template <typename... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
template <typename... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

std::string text(AckMode mode) {
    switch (mode) {
    case AckMode::Normal:
        return "normal";
    case AckMode::None:
        return "none";
    case AckMode::Late:
        return "late";
    }
    return "?";
}

// One canonical text per parsed line, so a table can hold the expectations.
std::string describe(const ScriptLine& line) {
    if (!line.error.empty()) return "error";
    if (!line.command) return "nothing";
    const auto ms = [](std::chrono::milliseconds d) { return std::to_string(d.count()); };
    return std::visit(Overloaded{
                          [](const IndicationCommand& c) { return "ind " + hex(c.message); },
                          [](const GroupWriteCommand& c) {
                              return "write " + std::to_string(c.group) + " " + std::to_string(c.value) + " size " +
                                     std::to_string(c.dataBytes);
                          },
                          [](const RawCommand& c) { return "raw " + hex(c.bytes); },
                          [&](const AckCommand& c) { return "ack " + text(c.mode) + " " + ms(c.delay); },
                          [&](const ByteGapCommand& c) { return "bytegap " + ms(c.gap); },
                          [](const RepeatCommand& c) { return std::string(c.on ? "repeat on" : "repeat off"); },
                          [](const GarbageCommand& c) { return "garbage " + std::to_string(c.count); },
                          [](const SilentCommand& c) { return std::string(c.on ? "silent on" : "silent off"); },
                          [](const ProgrammingModeCommand& c) {
                              return "progmode " + std::to_string(c.device) + (c.on ? " on" : " off");
                          },
                          [](const HangUpCommand&) { return std::string("hangup"); },
                          [](const ReplugCommand&) { return std::string("replug"); },
                          [&](const SleepCommand& c) { return "sleep " + ms(c.duration); },
                          [](const QuitCommand&) { return std::string("quit"); },
                      },
                      *line.command);
}

TEST(ScriptCommand, ParsesEveryCommand) {
    struct Case {
        std::string line;
        std::string parsed;
    };
    for (const Case& c : {
             Case{"ind 29 BC 11 01 0A 03 E1 00 81", "ind 29 BC 11 01 0A 03 E1 00 81"},
             Case{"ind 29bc1101", "ind 29 BC 11 01"},
             Case{"  raw 10 40 40 16  ", "raw 10 40 40 16"},
             Case{"raw e5 1", "raw E5 01"},
             Case{"write 1/2/3 1", "write 2563 1 size 0"},  // 0x0A03
             Case{"write #0a03 63", "write 2563 63 size 0"},
             Case{"write 31/7/255 64", "write 65535 64 size 1"},  // too big for six bits
             Case{"write 3/1/1 3098", "write 6401 3098 size 2"},
             Case{"write 4/0/1 70000", "write 8193 70000 size 4"},
             Case{"write 1/2/3 1 2", "write 2563 1 size 2"},
             Case{"write 1/2/3 0x0C1A 2", "write 2563 3098 size 2"},
             Case{"ack on", "ack normal 0"},
             Case{"ack off", "ack none 0"},
             Case{"ack late 250", "ack late 250"},
             Case{"bytegap 5", "bytegap 5"},
             Case{"repeat on", "repeat on"},
             Case{"repeat off", "repeat off"},
             Case{"garbage 100", "garbage 100"},
             Case{"silent on", "silent on"},
             Case{"silent off", "silent off"},
             Case{"progmode 1.1.13 on", "progmode 4365 on"},  // 0x110D
             Case{"progmode 15.15.255 off", "progmode 65535 off"},
             Case{"hangup", "hangup"},
             Case{"replug", "replug"},
             Case{"sleep 1500", "sleep 1500"},
             Case{"quit", "quit"},
         }) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(describe(parseScriptLine(c.line)), c.parsed);
    }
}

TEST(ScriptCommand, CommentsAndBlankLinesAreNothing) {
    for (const std::string line : {"", "   ", "# a comment", "#write 1/2/3 1", "\t# indented"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(describe(parseScriptLine(line)), "nothing");
    }
    EXPECT_EQ(describe(parseScriptLine("write 1/2/3 1 # switch on")), "write 2563 1 size 0");
}

TEST(ScriptCommand, MistakesGiveAnErrorText) {
    for (const std::string line : {
             "frobnicate",
             "ind",
             "ind 29 XY",
             "ind 29B",
             "write 1/2/3",
             "write 1/2 1",
             "write 32/0/0 1",
             "write 1/8/0 1",
             "write 1/2/256 1",
             "write #0a0 1",
             "write 1/2/3 -1",
             "write 1/2/3 64 0",
             "write 1/2/3 256 1",
             "write 1/2/3 1 3",
             "write 1/2/3 1 2 3",
             "ack",
             "ack late",
             "ack late soon",
             "ack maybe",
             "bytegap",
             "bytegap -1",
             "repeat yes",
             "garbage",
             "silent",
             "progmode 1.1.13",
             "progmode 1/1/13 on",
             "progmode 1.1.256 on",
             "progmode 1.1.13 yes",
             "hangup now",
             "replug now",
             "sleep",
             "quit now",
             "raw",
         }) {
        SCOPED_TRACE(line);
        const ScriptLine parsed = parseScriptLine(line);
        EXPECT_FALSE(parsed.command);
        EXPECT_FALSE(parsed.error.empty());
    }
    EXPECT_EQ(parseScriptLine("write 1/2/3 256 1").error, "value 256 does not fit size 1");
    EXPECT_EQ(parseScriptLine("frobnicate 1").error, "unknown command 'frobnicate'");
}

TEST(ScriptCommand, GroupAddressesInBothNotationsStrictly) {
    EXPECT_EQ(parseGroupAddressStrict("0/0/0"), 0x0000);
    EXPECT_EQ(parseGroupAddressStrict("1/2/3"), 0x0A03);
    EXPECT_EQ(parseGroupAddressStrict("31/7/255"), 0xFFFF);
    EXPECT_EQ(parseGroupAddressStrict("#0A03"), 0x0A03);
    EXPECT_EQ(parseGroupAddressStrict("#ffff"), 0xFFFF);
    for (const char* wrong : {"1/2/3/4", "1//3", "#10000", "#0a3", "0a03", "32/0/0", "0/8/0", "0/0/256", "-1/0/0",
                              " 1/2/3", "1/2/3 ", "+1/2/3", "#+a03"}) {
        EXPECT_FALSE(parseGroupAddressStrict(wrong)) << wrong;
    }
}

}  // namespace
}  // namespace lintor::bcusim
