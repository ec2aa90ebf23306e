#include "tools/bcusim/host_stream.h"

#include <utility>

namespace lintor::bcusim {

std::span<const uint8_t> emiMessageOf(const HostUnit& unit) {
    if (unit.kind != HostUnitKind::VariableFrame) return {};
    return framing::dataOf(unit.bytes);
}

std::optional<HostUnit> HostStream::push(uint8_t byte, std::chrono::steady_clock::time_point now) {
    auto unit = cutter_.push(byte);
    if (!unit) return std::nullopt;
    return HostUnit{unit->kind, std::move(unit->bytes), unit->intact, now};
}

}  // namespace lintor::bcusim
