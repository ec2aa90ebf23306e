#include "app/option_reader.h"

#include <array>
#include <charconv>

#include "link/individual_address.h"
#include "platform/ini_document.h"
#include "platform/tcp_socket.h"

namespace lintor {
namespace {

std::optional<unsigned> parseUnsigned(std::string_view text, unsigned lowest, unsigned highest) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < lowest || value > highest) {
        return std::nullopt;
    }
    return value;
}

std::optional<uint16_t> parsePort(std::string_view text) { return parseUnsigned(text, 0, 65535); }

struct BooleanWord {
    std::string_view word;
    bool value;
};
constexpr std::array<BooleanWord, 8> kBooleanWords{{
    {"yes", true},
    {"true", true},
    {"on", true},
    {"1", true},
    {"no", false},
    {"false", false},
    {"off", false},
    {"0", false},
}};

std::optional<bool> parseBoolean(std::string_view text) {
    for (const BooleanWord& entry : kBooleanWords) {
        if (sameIniName(entry.word, text)) return entry.value;
    }
    return std::nullopt;
}

// "Debug" as well as "debug": the names are the log's own.
std::optional<log::Level> levelInAnyCase(std::string_view text) {
    for (auto n = static_cast<int>(log::Level::Error); n <= static_cast<int>(log::Level::Debug); ++n) {
        const auto level = static_cast<log::Level>(n);
        if (sameIniName(log::levelName(level), text)) return level;
    }
    return std::nullopt;
}

}  // namespace

OptionReader OptionReader::forEntry(std::string displayName, std::string_view value) {
    OptionReader reader({});
    reader.entryName_ = std::move(displayName);
    reader.inlineValue_ = value;
    reader.fromFile_ = true;
    return reader;
}

std::optional<std::string_view> OptionReader::next() {
    if (at_ >= arguments_.size()) return std::nullopt;
    name_ = arguments_[at_++];
    inlineValue_.reset();
    if (const size_t eq = name_.find('='); name_.starts_with("--") && eq != std::string_view::npos) {
        inlineValue_ = name_.substr(eq + 1);
        name_ = name_.substr(0, eq);
    }
    return name_;
}

void OptionReader::flag(bool& target) {
    if (!fromFile_) {
        if (inlineValue_) fail("option " + name() + " takes no value");
        target = true;
        return;
    }
    const auto parsed = parseBoolean(inlineValue_.value_or(""));
    if (!parsed) fail("not yes or no for " + name() + ": " + std::string(inlineValue_.value_or("")));
    target = parsed.value_or(target);
}

void OptionReader::text(std::string& target) {
    const auto v = value();
    if (v && v->empty()) fail("option " + name() + " needs a value");
    if (v) target = std::string(*v);
}

void OptionReader::port(uint16_t& target) {
    const auto v = value();
    if (!v) return;
    const auto parsed = parsePort(*v);
    if (!parsed) fail("invalid port for " + name() + ": " + std::string(*v));
    target = parsed.value_or(target);
}

void OptionReader::count(size_t& target, unsigned lowest, unsigned highest) {
    const auto v = value();
    if (!v) return;
    const auto parsed = parseUnsigned(*v, lowest, highest);
    if (!parsed) {
        fail("invalid number for " + name() + ": " + std::string(*v) + " (" + std::to_string(lowest) + " to " +
             std::to_string(highest) + ")");
    }
    target = parsed.value_or(target);
}

void OptionReader::seconds(std::chrono::milliseconds& target, unsigned lowest, unsigned highest) {
    size_t count = static_cast<size_t>(std::chrono::duration_cast<std::chrono::seconds>(target).count());
    this->count(count, lowest, highest);
    target = std::chrono::seconds(count);
}

void OptionReader::portOrOff(uint16_t& target, bool& enabled) {
    const auto v = value();
    if (v && *v == "off") {
        enabled = false;
        return;
    }
    if (!v) return;
    const auto parsed = parsePort(*v);
    if (!parsed) fail("invalid port for " + name() + ": " + std::string(*v) + " (0 to 65535 or off)");
    target = parsed.value_or(target);
    enabled = true;
}

void OptionReader::listenAddress(std::string& target) {
    const auto v = value();
    if (!v) return;
    if (v->empty() || !isListenAddress(std::string(*v))) {
        fail("not a numeric IPv4 or IPv6 address for " + name() + ": " + std::string(*v));
    }
    target = std::string(*v);
}

void OptionReader::optionalListenAddress(std::optional<std::string>& target) {
    std::string address;
    listenAddress(address);
    target = address;
}

void OptionReader::cidr(std::vector<Cidr>& target) {
    const auto v = value();
    if (!v) return;
    const auto parsed = parseCidr(*v);
    if (!parsed) {
        fail("not an address or network for " + name() + ": " + std::string(*v) +
             " (e.g. 192.168.1.0/24, 10.0.0.5, fd00::/8)");
        return;
    }
    target.push_back(*parsed);
}

void OptionReader::individualAddress(uint16_t& target) {
    const auto v = value();
    if (!v) return;
    const auto parsed = parseIndividualAddress(*v);
    if (!parsed) fail("not an individual address for " + name() + ": " + std::string(*v) + " (e.g. 1.1.250)");
    target = parsed.value_or(target);
}

void OptionReader::tunnelRange(std::optional<uint16_t>& first, size_t& count, unsigned limit) {
    constexpr unsigned kDeviceMask = 0xFF;
    const auto v = value();
    if (!v) return;
    const size_t colon = v->find(':');
    const auto address = parseIndividualAddress(v->substr(0, colon));
    const auto number =
        colon == std::string_view::npos ? std::optional<unsigned>(1) : parseUnsigned(v->substr(colon + 1), 1, limit);
    if (!address || !number || (*address & kDeviceMask) == 0 || (*address & kDeviceMask) + *number - 1 > kDeviceMask) {
        fail("not a range of tunnel addresses for " + name() + ": " + std::string(*v) +
             " (the first address and how many, e.g. 1.1.241:4, devices 1 to 255 of one line)");
        return;
    }
    first = *address;
    count = *number;
}

void OptionReader::busInterface(BusInterface& target) {
    const auto v = value();
    if (!v) return;
    const auto parsed = parseBusInterface(*v);
    if (!parsed)
        fail("unknown interface for " + name() + ": " + std::string(*v) + " (emi for a BCU 2, cemi for a module)");
    target = parsed.value_or(target);
}

void OptionReader::level(log::Level& target) {
    const auto v = value();
    if (!v) return;
    const auto parsed = levelInAnyCase(*v);
    if (!parsed) fail("unknown log level: " + std::string(*v) + " (error, warning, notice, info or debug)");
    target = parsed.value_or(target);
}

void OptionReader::unknown() { fail("unknown option: " + std::string(arguments_[at_ - 1])); }

std::optional<std::string_view> OptionReader::value() {
    if (inlineValue_) return inlineValue_;
    if (at_ < arguments_.size()) return arguments_[at_++];
    fail("option " + name() + " needs a value");
    return std::nullopt;
}

void OptionReader::fail(std::string text) {
    if (error_.empty()) error_ = std::move(text);
}

}  // namespace lintor
