#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace lintor::tool {

struct ProxyInfo {
    uint16_t groupAddress = 0;
    uint16_t value = 0;  // the low 16 bits of the value the gateway decoded
    std::string type;    // "Bit"

    friend bool operator==(const ProxyInfo&, const ProxyInfo&) = default;
};

// Cuts the proxy port's stream of <ProxyInfo GA="1/2/3" Type="Bit" Value="1">
// lines, which carry no line ends, at each ">". Text that is no such line is
// counted and passed over; a line that never ends is given up after 256 bytes,
// and reading goes on with the next line that starts.
class ProxyInfoReader {
public:
    static constexpr size_t LONGEST_LINE = 256;

    void feed(std::span<const uint8_t> bytes);
    std::optional<ProxyInfo> next();
    size_t skipped() const { return skipped_; }

private:
    std::string pending_;
    size_t lineStart_ = 0;  // where the line after the last ">" begins
    size_t skipped_ = 0;
};

// One line, ">" included; nothing unless it is a whole, valid ProxyInfo.
std::optional<ProxyInfo> parseProxyInfo(std::string_view line);

}  // namespace lintor::tool
