#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/bus_interface.h"
#include "platform/address_filter.h"
#include "platform/log.h"

namespace lintor {

// Reads option values, from the command line one option at a time or from
// one entry of the configuration file; the first mistake is kept, worded
// with the option's name as the user wrote it ("--proxy-port", "[proxy] Port").
class OptionReader {
public:
    explicit OptionReader(std::span<const std::string_view> arguments) : arguments_(arguments) {}
    // One value from the file under its display name; flags take yes/no.
    // The value must outlive the reader.
    static OptionReader forEntry(std::string displayName, std::string_view value);

    // The next option's name, with a "--name=value" value split off.
    std::optional<std::string_view> next();

    void flag(bool& target);
    void text(std::string& target);
    void port(uint16_t& target);
    void count(size_t& target, unsigned lowest, unsigned highest);
    void seconds(std::chrono::milliseconds& target, unsigned lowest, unsigned highest);
    // A port, or "off" where the port may be switched off.
    void portOrOff(uint16_t& target, bool& enabled);
    void listenAddress(std::string& target);
    void optionalListenAddress(std::optional<std::string>& target);
    void cidr(std::vector<Cidr>& target);
    // "1.1.10"
    void individualAddress(uint16_t& target);
    // "15.15.241:4", or the first address alone for one; the range stays on
    // the line of its first address.
    void busInterface(BusInterface& target);
    void tunnelRange(std::optional<uint16_t>& first, size_t& count, unsigned limit);
    void level(log::Level& target);
    void unknown();

    const std::string& error() const { return error_; }

private:
    std::optional<std::string_view> value();
    void fail(std::string text);
    std::string name() const { return fromFile_ ? entryName_ : std::string(name_); }

    std::span<const std::string_view> arguments_;
    size_t at_ = 0;
    std::string_view name_;
    std::optional<std::string_view> inlineValue_;
    bool fromFile_ = false;
    std::string entryName_;  // owned: the caller's name may be a temporary
    std::string error_;
};

}  // namespace lintor
