#include "tools/bcusim/script_command.h"

#include <array>
#include <charconv>
#include <span>

#include "link/group_address.h"
#include "link/individual_address.h"
#include "tools/bcusim/group_telegram.h"

namespace lintor::bcusim {
namespace {

using Words = std::span<const std::string_view>;

std::vector<std::string_view> splitWords(std::string_view line) {
    constexpr std::string_view kBlanks = " \t\r\n";
    std::vector<std::string_view> words;
    size_t pos = line.find_first_not_of(kBlanks);
    while (pos != std::string_view::npos) {
        const size_t end = line.find_first_of(kBlanks, pos);
        const std::string_view word = line.substr(pos, end == std::string_view::npos ? end : end - pos);
        if (word == "#") break;
        words.push_back(word);
        pos = line.find_first_not_of(kBlanks, end);
    }
    return words;
}

template <typename T>
std::optional<T> parseNumber(std::string_view text, int base = 10) {
    if (base == 10 && text.starts_with("0x")) return parseNumber<T>(text.substr(2), 16);
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::optional<std::chrono::milliseconds> parseMilliseconds(std::string_view text) {
    const auto ms = parseNumber<uint32_t>(text);
    if (!ms) return std::nullopt;
    return std::chrono::milliseconds{*ms};
}

std::optional<bool> parseOnOff(std::string_view text) {
    if (text == "on") return true;
    if (text == "off") return false;
    return std::nullopt;
}

// Words of one or two hex digits, or longer words read two digits at a time.
std::optional<std::vector<uint8_t>> parseHexBytes(Words words) {
    std::vector<uint8_t> bytes;
    for (const std::string_view word : words) {
        if (word.size() > 1 && word.size() % 2 != 0) return std::nullopt;
        for (size_t i = 0; i < word.size(); i += 2) {
            const auto byte = parseNumber<uint8_t>(word.substr(i, 2), 16);
            if (!byte) return std::nullopt;
            bytes.push_back(*byte);
        }
    }
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

ScriptLine command(ScriptCommand c) { return {std::move(c), {}}; }
ScriptLine failure(std::string text) { return {std::nullopt, std::move(text)}; }

ScriptLine parseIndication(Words args) {
    auto bytes = parseHexBytes(args);
    if (!bytes) return failure("ind needs hex bytes, e.g. ind 29 BC 11 01 0A 03 E1 00 81");
    return command(IndicationCommand{std::move(*bytes)});
}

ScriptLine parseRaw(Words args) {
    auto bytes = parseHexBytes(args);
    if (!bytes) return failure("raw needs hex bytes, e.g. raw 10 40 40 16");
    return command(RawCommand{std::move(*bytes)});
}

ScriptLine parseGroupWrite(Words args) {
    if (args.size() < 2 || args.size() > 3) return failure("usage: write <GA> <value> [0|1|2|4]");
    const auto group = parseGroupAddressStrict(args[0]);
    if (!group) return failure("bad group address '" + std::string(args[0]) + "', use 1/2/3 or #0a03");
    const auto value = parseNumber<uint32_t>(args[1]);
    if (!value) return failure("bad value '" + std::string(args[1]) + "'");
    const auto size = args.size() == 3 ? parseNumber<int>(args[2]) : smallestValueSize(*value);
    if (!size || !isValueSize(*size)) return failure("value size must be 0, 1, 2 or 4");
    if (!valueFits(*value, *size)) {
        return failure("value " + std::to_string(*value) + " does not fit size " + std::to_string(*size));
    }
    return command(GroupWriteCommand{*group, *value, *size});
}

ScriptLine parseAck(Words args) {
    if (args.size() == 1 && args[0] == "on") return command(AckCommand{AckMode::Normal, {}});
    if (args.size() == 1 && args[0] == "off") return command(AckCommand{AckMode::None, {}});
    if (args.size() == 2 && args[0] == "late") {
        if (const auto delay = parseMilliseconds(args[1])) return command(AckCommand{AckMode::Late, *delay});
    }
    return failure("usage: ack on|off|late <ms>");
}

ScriptLine parseByteGap(Words args) {
    if (args.size() != 1 || !parseMilliseconds(args[0])) return failure("usage: bytegap <ms>");
    return command(ByteGapCommand{*parseMilliseconds(args[0])});
}

ScriptLine parseRepeat(Words args) {
    if (args.size() != 1 || !parseOnOff(args[0])) return failure("usage: repeat on|off");
    return command(RepeatCommand{*parseOnOff(args[0])});
}

ScriptLine parseGarbage(Words args) {
    const auto count = args.size() == 1 ? parseNumber<size_t>(args[0]) : std::nullopt;
    if (!count) return failure("usage: garbage <n>");
    return command(GarbageCommand{*count});
}

ScriptLine parseSilent(Words args) {
    if (args.size() != 1 || !parseOnOff(args[0])) return failure("usage: silent on|off");
    return command(SilentCommand{*parseOnOff(args[0])});
}

ScriptLine parseProgrammingMode(Words args) {
    const auto device = args.size() == 2 ? parseIndividualAddress(args[0]) : std::nullopt;
    const auto on = args.size() == 2 ? parseOnOff(args[1]) : std::nullopt;
    if (!device || !on) return failure("usage: progmode <individual address> on|off, e.g. progmode 1.1.13 on");
    return command(ProgrammingModeCommand{*device, *on});
}

ScriptLine parseHangUp(Words args) {
    if (!args.empty()) return failure("usage: hangup");
    return command(HangUpCommand{});
}

ScriptLine parseReplug(Words args) {
    if (!args.empty()) return failure("usage: replug");
    return command(ReplugCommand{});
}

ScriptLine parseSleep(Words args) {
    if (args.size() != 1 || !parseMilliseconds(args[0])) return failure("usage: sleep <ms>");
    return command(SleepCommand{*parseMilliseconds(args[0])});
}

ScriptLine parseQuit(Words args) {
    if (!args.empty()) return failure("usage: quit");
    return command(QuitCommand{});
}

struct Verb {
    std::string_view name;
    ScriptLine (*parse)(Words args);
};

constexpr std::array<Verb, 13> kVerbs{{
    {"ind", parseIndication},
    {"write", parseGroupWrite},
    {"raw", parseRaw},
    {"ack", parseAck},
    {"bytegap", parseByteGap},
    {"repeat", parseRepeat},
    {"garbage", parseGarbage},
    {"silent", parseSilent},
    {"progmode", parseProgrammingMode},
    {"hangup", parseHangUp},
    {"replug", parseReplug},
    {"sleep", parseSleep},
    {"quit", parseQuit},
}};

}  // namespace

ScriptLine parseScriptLine(std::string_view line) {
    const std::vector<std::string_view> words = splitWords(line);
    if (words.empty() || words[0].starts_with('#')) return {};
    for (const Verb& verb : kVerbs) {
        if (verb.name == words[0]) return verb.parse(Words(words).subspan(1));
    }
    return failure("unknown command '" + std::string(words[0]) + "'");
}

int smallestValueSize(uint32_t value) {
    if (valueFits(value, SIX_BIT_VALUE)) return SIX_BIT_VALUE;
    if (valueFits(value, 1)) return 1;
    if (valueFits(value, 2)) return 2;
    return 4;
}

}  // namespace lintor::bcusim
