#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lintor {

// What the device on the serial line speaks inside its FT1.2 frames: a
// BCU 2's EMI, or the cEMI of today's FT1.2 modules. Clients see EMI
// records either way.
enum class BusInterface : uint8_t { Emi, Cemi };

constexpr std::string_view busInterfaceName(BusInterface interface) {
    return interface == BusInterface::Cemi ? "cemi" : "emi";
}

constexpr std::optional<BusInterface> parseBusInterface(std::string_view text) {
    if (text == "emi") return BusInterface::Emi;
    if (text == "cemi") return BusInterface::Cemi;
    return std::nullopt;
}

}  // namespace lintor
