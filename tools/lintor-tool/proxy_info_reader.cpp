#include "tools/lintor-tool/proxy_info_reader.h"

#include <charconv>
#include <string_view>

#include "link/group_address.h"

namespace lintor::tool {
namespace {

constexpr std::string_view kLineStart = "<ProxyInfo ";

// The text between the quotes of name="...".
std::optional<std::string_view> attribute(std::string_view line, std::string_view name) {
    const std::string key = " " + std::string(name) + "=\"";
    const size_t start = line.find(key);
    if (start == std::string_view::npos) return std::nullopt;
    const size_t from = start + key.size();
    const size_t end = line.find('"', from);
    if (end == std::string_view::npos) return std::nullopt;
    return line.substr(from, end - from);
}

std::optional<uint16_t> unsigned16(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value > UINT16_MAX) return std::nullopt;
    return static_cast<uint16_t>(value);
}

}  // namespace

std::optional<ProxyInfo> parseProxyInfo(std::string_view line) {
    if (!line.starts_with(kLineStart) || !line.ends_with('>')) return std::nullopt;
    const auto group = attribute(line, "GA");
    const auto type = attribute(line, "Type");
    const auto value = attribute(line, "Value");
    if (!group || !type || !value) return std::nullopt;
    const auto groupAddress = parseGroupAddressStrict(*group);
    const auto number = unsigned16(*value);
    if (!groupAddress || !number) return std::nullopt;
    return ProxyInfo{*groupAddress, *number, std::string(*type)};
}

void ProxyInfoReader::feed(std::span<const uint8_t> bytes) {
    for (const uint8_t b : bytes) {
        // Only the unfinished line at the end is bounded; whole lines wait
        // for next().
        if (pending_.size() - lineStart_ == LONGEST_LINE) {
            pending_.resize(lineStart_);
            ++skipped_;
        }
        pending_ += static_cast<char>(b);
        if (b == '>') lineStart_ = pending_.size();
    }
}

std::optional<ProxyInfo> ProxyInfoReader::next() {
    for (;;) {
        const size_t end = pending_.find('>');
        if (end == std::string::npos) return std::nullopt;
        std::string_view line = std::string_view(pending_).substr(0, end + 1);
        // Whatever came before the line's start is passed over, the line kept.
        const size_t start = line.rfind(kLineStart);
        if (start != std::string_view::npos && start > 0) {
            line.remove_prefix(start);
            ++skipped_;
        }
        auto info = parseProxyInfo(line);
        pending_.erase(0, end + 1);
        lineStart_ -= end + 1;
        if (info) return info;
        ++skipped_;
    }
}

}  // namespace lintor::tool
