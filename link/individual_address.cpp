#include "link/individual_address.h"

#include <array>
#include <charconv>

namespace lintor {
namespace {

constexpr std::array<unsigned, 3> kFieldLimits{15, 15, 255};
constexpr std::array<unsigned, 3> kFieldShifts{12, 8, 0};

}  // namespace

std::string formatIndividualAddress(uint16_t address) {
    return std::to_string(address >> 12) + "." + std::to_string((address >> 8) & 0x0F) + "." +
           std::to_string(address & 0xFF);
}

std::optional<uint16_t> parseIndividualAddress(std::string_view text) {
    unsigned address = 0;
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    for (size_t field = 0; field < kFieldLimits.size(); ++field) {
        if (field > 0) {
            if (at == end || *at != '.') return std::nullopt;
            ++at;
        }
        unsigned value = 0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc{} || next == at || value > kFieldLimits[field]) return std::nullopt;
        address |= value << kFieldShifts[field];
        at = next;
    }
    if (at != end) return std::nullopt;
    return static_cast<uint16_t>(address);
}

}  // namespace lintor
